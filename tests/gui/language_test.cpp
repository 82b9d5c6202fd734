#include "gui/dlform.h"
#include "gui/windows.h"
#include "gui/panel_status_bar.h"
#include "core/shared_state.h"
#include "gui/download/previewform.h"
#include "gui/lists/createlist.h"
#include "tests/support/window_harness.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QToolButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QSet>
#include <QSignalSpy>
#include <QApplication>
#include <gtest/gtest.h>

#include <functional>

namespace {

class Language : public ::testing::Test {
protected:
    // Every caption and hint of the window's worded controls.
    QStringList Texts() const
    {
        QStringList texts;
        for (const auto &row : form->LanguageTable()) {
            QObject *c = row.control;
            if (row.hint)
                texts << static_cast<QWidget *>(c)->toolTip();
            else if (auto *b = qobject_cast<QAbstractButton *>(c))
                texts << b->text();
            else if (auto *g = qobject_cast<QGroupBox *>(c))
                texts << g->title();
            else if (auto *l = qobject_cast<QLabel *>(c))
                texts << l->text();
            else if (auto *a = qobject_cast<QAction *>(c))
                texts << a->text();
            else if (form->PageControl1->indexOf(static_cast<QWidget *>(c)) >= 0)
                texts << form->PageControl1->tabText(form->PageControl1->indexOf(static_cast<QWidget *>(c)));
            else
                texts << static_cast<QWidget *>(c)->windowTitle();
        }
        return texts;
    }
    WindowHarness windows{{.folderHint = "language"}};
    TDLForm *const form = windows.Form();
};

TEST_F(Language, TheTableCoversEightyEightRowsOfTheThreeWindows)
{
    const auto table = form->LanguageTable();
    // The slow-transfer caption and its hint, the address example, what to
    // take, the page credentials, the About tab, Retry failed and Open folder
    // with their hints among them, the six of "Cookies and waiting" and the
    // Pictures group with its two captions and hints, the Pages and Speed
    // groups with their captions and hints, the HTTP/2 box with its hint.
    ASSERT_EQ(table.size(), 102);
    for (const auto &row : table)
        EXPECT_NE(row.control, nullptr) << row.english;
}

TEST_F(Language, ThePicturesGroupSitsUnderTheLeftColumnInBothLanguages)
{
    EXPECT_EQ(form->GroupBoxPictures->geometry(), QRect(24, 436, 289, 100));
    EXPECT_EQ(form->GroupBoxPictures->parentWidget(), form->SettingsContents);
    EXPECT_EQ(form->SettingsContents->minimumSize(), QSize(620, 714));
    struct Case {
        bool english;
        const char *group, *width, *height;
    } cases[] = {{true, "Pictures", "Least width", "Least height"},
                 {false, "Slike", "Najmanjša širina", "Najmanjša višina"}};
    for (const Case &c : cases) {
        c.english ? form->ENGClick() : form->SLOClick();
        EXPECT_EQ(form->GroupBoxPictures->title(), QString::fromUtf8(c.group));
        EXPECT_EQ(form->LabelMinWidth->text(), QString::fromUtf8(c.width));
        EXPECT_EQ(form->LabelMinHeight->text(), QString::fromUtf8(c.height));
    }
}

TEST_F(Language, ThePagesGroupSitsUnderThePicturesAndItsCaptionFitsInBothLanguages)
{
    EXPECT_EQ(form->GroupBoxPages->geometry(), QRect(24, 544, 289, 57));
    EXPECT_EQ(form->GroupBoxPages->parentWidget(), form->SettingsContents);
    EXPECT_GE(form->GroupBoxPages->y(), form->GroupBoxPictures->geometry().bottom());
    struct Case {
        bool english;
        const char *group, *label;
    } cases[] = {{true, "Pages", "Follow next pages, in all"}, {false, "Strani", "Sledi naslednjim stranem, skupaj"}};
    for (const Case &c : cases) {
        c.english ? form->ENGClick() : form->SLOClick();
        EXPECT_EQ(form->GroupBoxPages->title(), QString::fromUtf8(c.group));
        EXPECT_EQ(form->LabelPages->text(), QString::fromUtf8(c.label));
        EXPECT_LE(form->LabelPages->sizeHint().width(), form->LabelPages->width()) << c.label;
        EXPECT_FALSE(form->LabelPages->geometry().intersects(form->SpinPages->geometry()));
        EXPECT_TRUE(QRect(QPoint(), form->GroupBoxPages->size()).contains(form->SpinPages->geometry()));
    }
}

TEST_F(Language, EachSwitchSetsTheFlagAndEveryText)
{
    form->ENGClick();
    EXPECT_EQ(EnglishUI, 1);
    EXPECT_EQ(form->Button2->text(), QStringLiteral("&Load page"));
    EXPECT_EQ(form->PageControl1->tabText(3), QStringLiteral("About..."));
    EXPECT_EQ(form->SpeedButton4->toolTip(), QStringLiteral("Reverse the order of the links"));
    EXPECT_EQ(CreateList->windowTitle(), QStringLiteral("Create list"));
    EXPECT_EQ(CreateList->Button1->text(), QStringLiteral("Create list"));
    EXPECT_EQ(form->P5->text(), QStringLiteral("Create list"));
    EXPECT_EQ(PreviewForm->windowTitle(), QStringLiteral("View image"));
    EXPECT_EQ(form->Button7->text(), QStringLiteral("Slovensko"));  // the other language
    form->SLOClick();
    EXPECT_EQ(EnglishUI, 0);
    EXPECT_EQ(form->Button15->text(), QStringLiteral("Naloži seznam podimenikov"));
    EXPECT_EQ(form->CheckBox2->text(), QStringLiteral("Ogled slik"));
    // Controls outside the table keep their texts.
    EXPECT_EQ(form->Button18->text(), QStringLiteral("S&top"));
    EXPECT_EQ(form->GroupBox1->title(), QStringLiteral("Language / Jezik"));
}

TEST_F(Language, PressingTheButtonTwiceRestoresEveryCaption)
{
    form->ENGClick();
    const QStringList english = Texts();
    form->Button7->click();
    EXPECT_NE(Texts(), english);
    form->Button7->click();
    EXPECT_EQ(Texts(), english);
    form->SLOClick();
    const QStringList slovene = Texts();
    form->Button7Click();
    form->Button7Click();
    EXPECT_EQ(Texts(), slovene);
}

TEST_F(Language, TheLanguageButtonRewordsKeepConnectionsOpenAndDownloadsAtOnce)
{
    form->SpinEdit1->setValue(3);
    form->SLOClick();
    EXPECT_EQ(form->CheckBox6->text(), QStringLiteral("Ohrani povezave odprte"));
    EXPECT_EQ(form->Label25->text(), QStringLiteral("Hkratni prenosi"));
    EXPECT_EQ(form->CheckBox7->text(), QStringLiteral("Poišči odzivne in odloženo naložene slike"));
    EXPECT_EQ(form->CheckBox8->text(), QStringLiteral("Preskoči že shranjene slike"));
    QTest::mouseClick(form->Button7, Qt::LeftButton);
    EXPECT_EQ(form->CheckBox6->text(), QStringLiteral("Keep connections open"));
    EXPECT_EQ(form->Label25->text(), QStringLiteral("Downloads at once"));
    EXPECT_EQ(form->CheckBox7->text(), QStringLiteral("Find responsive and lazy-loaded pictures"));
    EXPECT_EQ(form->CheckBox8->text(), QStringLiteral("Skip pictures already saved"));
    QTest::mouseClick(form->Button7, Qt::LeftButton);
    EXPECT_EQ(form->CheckBox6->text(), QStringLiteral("Ohrani povezave odprte"));
    EXPECT_EQ(form->Label25->text(), QStringLiteral("Hkratni prenosi"));
    EXPECT_FALSE(form->CheckBox6->isChecked()) << "rewording leaves the state alone";
    EXPECT_EQ(form->SpinEdit1->value(), 3) << "and the number";
}

// The texts that were in one language only: the About tab, the page
// credentials' labels and the Download zone's status cell.
TEST_F(Language, TheAboutTabTheCredentialsAndTheStatusCellSpeakBothLanguages)
{
    const auto statusCell = [this] { return form->Status1->PanelText(1); };
    const struct {
        const char *what;
        std::function<QString()> text;
        const char *slovene, *english;
    } rows[] = {
        {"user", [this] { return form->Label6->text(); }, "uporabnik:", "user:"},
        {"pass", [this] { return form->Label7->text(); }, "geslo:", "pass:"},
        {"status cell", statusCell, "Prenos slik", "Download zone"},
        {"donate", [this] { return form->Button180->text(); }, "Doniraj prek spleta", "Donate online"},
        {"help", [this] { return form->Button30->text(); }, "Pomoč", "Help"},
        {"more pictures", [this] { return form->Label15->text(); }, "-> prenesete še nekaj slik?",
         "-> download some more pictures?"},
        {"maker hint", [this] { return form->Image8->toolTip(); }, "Obiščite spletno stran Tarvove feke!",
         "Visit the web site of Tarvove feke!"},
        {"description", [this] { return form->RichEdit1->text().section(u' ', 0, 2); }, "Grabulo je priročno",
         "Grabulo is a"},
    };
    for (const bool english : {false, true, false}) {
        english ? form->ENGClick() : form->SLOClick();
        for (const auto &row : rows)
            EXPECT_EQ(row.text(), QString::fromUtf8(english ? row.english : row.slovene)) << row.what << english;
    }
    form->ENGClick();
    EXPECT_TRUE(form->RichEdit1->text().contains(QStringLiteral("transferred to your hard drive")));
}

TEST_F(Language, MessagesFollowTheSwitch)
{
    form->SLOClick();
    form->Edit10->setText("x");
    form->ENGClick();
    form->Edit10->setText("y");
    EXPECT_EQ(windows.Messages(), (QStringList{"Vnesi številko!", "Enter a number!"}));
}

// The main commands of the Download zone each have their own Alt letter in
// either language, and the letter works as a key.
TEST_F(Language, TheMainCommandsHaveTheirOwnAltLetters)
{
    for (const bool english : {true, false}) {
        english ? form->ENGClick() : form->SLOClick();
        QSet<QChar> letters;
        for (QAbstractButton *command : std::initializer_list<QAbstractButton *>{
                 form->Button1, form->Button2, form->Button4, form->Button5, form->Button9, form->Button18}) {
            const qsizetype amp = command->text().indexOf(u'&');
            ASSERT_GE(amp, 0) << command->text().toStdString();
            EXPECT_FALSE(letters.contains(command->text().at(amp + 1).toLower())) << command->text().toStdString();
            letters.insert(command->text().at(amp + 1).toLower());
        }
    }
    form->ENGClick();
    form->show();
    QApplication::setActiveWindow(form);
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QSignalSpy clicks(form->Button18, &QAbstractButton::clicked);
    form->Combo1->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::AltModifier);  // Stop, with nothing to stop
    EXPECT_TRUE(clicks.count() == 1 || clicks.wait(1000));  // a mnemonic clicks after a short press
}

}  // namespace
