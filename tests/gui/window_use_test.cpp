// The window as a user meets it: captions that fit in both languages, the
// address box and the log growing with the window, hints and names of the
// symbol buttons, F1 and the help, drops on the window and on the page list.
#include "gui/caption_fit.h"
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "gui/message_log.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "gui/download/previewform.h"
#include "gui/lists/createlist.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/window_harness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// The least width a caption needs: its widest line and the margins the
// style draws around it.
int LeastWidth(const QWidget *control)
{
    const QFontMetrics metrics = control->fontMetrics();
    QString text;
    int margins = 0;
    if (const auto *label = qobject_cast<const QLabel *>(control)) {
        if (!label->pixmap().isNull() || label->wordWrap() || Qt::mightBeRichText(label->text()))
            return 0;
        text = label->text();
        margins = 2 * label->margin() + label->width() - label->contentsRect().width();
    } else if (const auto *button = qobject_cast<const QAbstractButton *>(control)) {
        text = button->text();
        const QStyle *style = button->style();
        if (qobject_cast<const QCheckBox *>(button) || qobject_cast<const QRadioButton *>(button))
            margins = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button)
                      + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
        else if (qobject_cast<const QPushButton *>(button))
            margins = 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) / 2 + 4;
        else
            margins = 4;
    } else {
        return 0;
    }
    if (text.isEmpty())
        return 0;
    int widest = 0;
    for (const QString &line : text.split(u'\n'))
        widest = qMax(widest, metrics.horizontalAdvance(line));
    return widest + margins;
}

// The visible labels and buttons of a window whose captions do not fit.
QStringList Clipped(QWidget *window)
{
    QStringList clipped;
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (control->window() != window || !control->isVisible())
            continue;
        const int least = LeastWidth(control);
        if (least > control->width())
            clipped << QStringLiteral("%1 \"%2\": %3 > %4")
                           .arg(control->objectName().isEmpty() ? QString::fromLatin1(control->metaObject()->className())
                                                                : control->objectName(),
                                qobject_cast<QLabel *>(control) ? qobject_cast<QLabel *>(control)->text()
                                                                : qobject_cast<QAbstractButton *>(control)->text())
                           .arg(least)
                           .arg(control->width());
    }
    return clipped;
}

// Two controls of one parent that overlap, both visible.
QStringList Overlaps(QWidget *window)
{
    QStringList overlaps;
    for (QWidget *a : window->findChildren<QWidget *>()) {
        if (a->window() != window || !a->isVisible() || LeastWidth(a) == 0)
            continue;
        const QObjectList siblings = a->parentWidget()->children();
        for (QObject *object : siblings) {
            auto *b = qobject_cast<QWidget *>(object);
            if (!b || b == a || !b->isVisible() || b->isWindow()
                || (LeastWidth(b) == 0 && qobject_cast<QLineEdit *>(b) == nullptr))
                continue;
            if (a->geometry().intersects(b->geometry()))
                overlaps << a->objectName() + QStringLiteral(" / ") + b->objectName() + u' '
                                + (qobject_cast<QLabel *>(a) ? qobject_cast<QLabel *>(a)->text()
                                                             : qobject_cast<QAbstractButton *>(a)->text());
        }
    }
    return overlaps;
}

class WindowUse : public ::testing::Test {
protected:
    void TearDown() override { SetExternalOpener({}); }
    void Show()
    {
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
        QApplication::processEvents();  // the layouts' pass
    }
    WindowHarness windows{{.folderHint = "window-use"}};
    TDLForm *const form = windows.Form();
};

TEST(CaptionFit, AWiderCaptionPushesWhatIsRightOfItOnItsRow)
{
    // A check box and its field, a unit label after the field, a control on
    // the next row.
    const QList<QRect> design{{24, 24, 181, 17}, {207, 19, 49, 24}, {261, 24, 8, 16}, {24, 60, 100, 20}};
    EXPECT_EQ(FittedBounds(design, {0, 0, 0, 0}), design);
    EXPECT_EQ(FittedBounds(design, {150, 0, 0, 0}), design);  // fits: nothing moves
    const QList<QRect> fitted = FittedBounds(design, {200, 0, 0, 0});
    EXPECT_EQ(fitted[0], QRect(24, 24, 200, 17));
    EXPECT_EQ(fitted[1], QRect(226, 19, 49, 24));  // the gap of two pixels kept
    EXPECT_EQ(fitted[2], QRect(280, 24, 8, 16));
    EXPECT_EQ(fitted[3], design[3]);
    // Two grown captions on one row: the second moves, then grows.
    const QList<QRect> row{{0, 0, 40, 20}, {50, 0, 40, 20}, {100, 0, 40, 20}};
    EXPECT_EQ(FittedBounds(row, {60, 45, 0}), (QList<QRect>{{0, 0, 60, 20}, {70, 0, 45, 20}, {125, 0, 40, 20}}));
}

TEST_F(WindowUse, EveryCaptionFitsItsControlInBothLanguagesInEveryWindow)
{
    Show();
    windows.CreateListWindow()->show();
    for (int pass = 0; pass < 3; ++pass) {  // Slovene, English, Slovene again
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        QTest::mouseClick(form->Button7, Qt::LeftButton);  // the language button
        SCOPED_TRACE(EnglishUI ? "English" : "Slovene");
        for (int tab = 0; tab < form->PageControl1->count(); ++tab) {
            form->PageControl1->setCurrentIndex(tab);
            QApplication::processEvents();
            const QStringList clipped = Clipped(form);
            EXPECT_TRUE(clipped.isEmpty()) << form->PageControl1->tabText(tab).toStdString() << ": "
                                           << clipped.join(u'\n').toStdString();
            const QStringList overlaps = Overlaps(form);
            EXPECT_TRUE(overlaps.isEmpty()) << overlaps.join(u'\n').toStdString();
        }
        const QStringList clipped = Clipped(windows.CreateListWindow());
        EXPECT_TRUE(clipped.isEmpty()) << clipped.join(u'\n').toStdString();
        const QStringList overlaps = Overlaps(windows.CreateListWindow());
        EXPECT_TRUE(overlaps.isEmpty()) << overlaps.join(u'\n').toStdString();
        EXPECT_TRUE(Clipped(windows.Preview()).isEmpty());
    }
}

TEST_F(WindowUse, TheAddressBoxAndTheLogGrowWithTheWindow)
{
    Show();
    form->PageControl1->setCurrentWidget(form->TabSheet4);
    QApplication::processEvents();
    const QRect pages = form->Edit7->geometry();
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    form->resize(TDLForm::kDefaultSize);
    QApplication::processEvents();
    ASSERT_EQ(form->size(), TDLForm::kDefaultSize);
    const QRect box = form->Combo1->geometry(), log = form->Memo3->geometry();
    ASSERT_GT(box.width(), 300);
    const QRect paste = form->SpeedButton5->geometry(), filter = form->Combo2->geometry();
    form->resize(form->width() + 210, form->height() + 150);
    QApplication::processEvents();
    EXPECT_EQ(form->Combo1->width(), box.width() + 210);
    EXPECT_EQ(form->SpeedButton5->x(), paste.x() + 210);
    EXPECT_EQ(form->Combo2->x(), filter.x() + 210);
    EXPECT_LE(form->Combo1->geometry().right(), form->SpeedButton5->x());
    EXPECT_EQ(form->Memo3->width(), log.width() + 210);
    EXPECT_EQ(form->Memo3->height(), log.height() + 50);
    form->PageControl1->setCurrentWidget(form->TabSheet4);
    QApplication::processEvents();
    EXPECT_EQ(form->Edit7->width(), pages.width() + 210);
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    form->resize(TDLForm::kDefaultSize);
    QApplication::processEvents();
    EXPECT_EQ(form->Combo1->geometry(), box);
    EXPECT_EQ(form->Memo3->geometry(), log);
}

TEST_F(WindowUse, TheSymbolButtonsSayWhatTheyDoInBothLanguages)
{
    QToolButton *const symbols[] = {form->SpeedButton1, form->SpeedButton2, form->SpeedButton3,
                                    form->SpeedButton4, form->SpeedButton5, form->SpeedButton6};
    for (bool english : {false, true}) {
        english ? form->ENGClick() : form->SLOClick();
        for (QToolButton *button : symbols) {
            EXPECT_FALSE(button->toolTip().isEmpty()) << button->text().toStdString();
            EXPECT_EQ(button->accessibleName(), button->toolTip());
        }
    }
    form->SLOClick();
    EXPECT_EQ(form->SpeedButton4->toolTip(), QStringLiteral("Obrni vrstni red povezav"));
    EXPECT_EQ(form->SpeedButton3->accessibleName(), QStringLiteral("Izberi vse povezave"));
    form->ENGClick();
    EXPECT_EQ(form->SpeedButton4->toolTip(), QStringLiteral("Reverse the order of the links"));
    EXPECT_EQ(form->SpeedButton2->accessibleName(), QStringLiteral("Select every second link"));
}

TEST_F(WindowUse, F1OpensTheHelpInTheProgramWhenNoBrowserTakesIt)
{
    QList<QUrl> asked;
    SetExternalOpener([&](const QUrl &url) {
        asked << url;
        return false;
    });
    Show();
    QTest::keyClick(form->windowHandle(), Qt::Key_F1);
    const QUrl help = QUrl::fromLocalFile(TDLForm::HelpFile());
    EXPECT_EQ(asked, QList<QUrl>{help});
    ASSERT_NE(form->HelpWindow, nullptr);
    EXPECT_TRUE(form->HelpWindow->isVisible());
    EXPECT_TRUE(form->HelpWindow->isWindow());
    EXPECT_EQ(form->HelpWindow->source(), help);
    // The Help button does the same; the window is the one already open.
    QTextBrowser *const first = form->HelpWindow;
    form->HelpWindow->hide();
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    QTest::mouseClick(form->Button30, Qt::LeftButton);
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(form->HelpWindow, first);
    EXPECT_TRUE(first->isVisible());
}

TEST_F(WindowUse, EscapeClosesTheHelpWindowAndOtherKeysDoNot)
{
    SetExternalOpener([](const QUrl &) { return false; });
    Show();
    QTest::keyClick(form->windowHandle(), Qt::Key_F1);
    ASSERT_NE(form->HelpWindow, nullptr);
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Space, Qt::Key_Enter}) {
        QTest::keyClick(form->HelpWindow, key);
        EXPECT_TRUE(form->HelpWindow->isVisible()) << key;
    }
    QTest::keyClick(form->HelpWindow, Qt::Key_Escape);
    EXPECT_FALSE(form->HelpWindow->isVisible());
    EXPECT_TRUE(form->isVisible()) << "the main window stays";
}

// Disconnect keeps the link list and shows its count; Load page after it
// still starts from an empty list.
TEST(WindowUseDisconnect, KeepsTheLinkListAndItsCount)
{
    FixtureHttpServer server;
    server.Route("/g/index.html", FixtureResponse::Ok(R"(<a href="n.jpg">)"));
    WindowHarness windows{{.removeProgramFiles = true, .folderHint = "disconnect"}};  // the page joins no history
    TDLForm *const form = windows.Form();
    form->show();
    const QList<QByteArray> links{"http://h/a.jpg", "http://h/b.jpg", "http://h/c.jpg"};
    form->List2->SetItems(links);
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_EQ(form->List2->Items(), links);
    EXPECT_EQ(form->Label10->text(), QStringLiteral("3"));
    form->Combo1->setEditText("127.0.0.1:" + QString::number(server.Port()) + "/g/index.html");
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(form->List2->Items(), QList<QByteArray>{"http://127.0.0.1:" + QByteArray::number(server.Port()) + "/g/n.jpg"});
    EXPECT_EQ(form->Label10->text(), QStringLiteral("1"));
}

TEST_F(WindowUse, F1LeavesTheHelpToTheBrowserThatTakesIt)
{
    int asked = 0;
    SetExternalOpener([&](const QUrl &) {
        ++asked;
        return true;
    });
    Show();
    QTest::keyClick(form->windowHandle(), Qt::Key_F1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(form->HelpWindow, nullptr);
}

// A drag that enters the target, then the drop, as the window system sends them.
bool DropOn(QWidget *target, QMimeData *data)
{
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

TEST_F(WindowUse, AnAddressDroppedOnTheWindowGoesIntoTheAddressBoxAsIfTyped)
{
    FixtureHttpServer server;
    server.Route("/gallery/index.html", FixtureResponse::Ok("<a href=\"a.jpg\">a</a>"));
    const QString address = QString::fromUtf8(server.Url("/gallery/index.html"));
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    form->PokaziStevilko(1);
    QMimeData text;
    text.setText(address.toUpper().left(7) + address.mid(7) + QStringLiteral("\nthe second line"));
    ASSERT_TRUE(DropOn(form, &text));
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("HTTP://") + address.mid(7));
    EXPECT_FALSE(form->Image2->isHidden());  // step two, as after typing
    // Enter loads it; the scheme goes to the label as for a typed address.
    QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(server.RequestCount(), 1);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("http://"));
    EXPECT_EQ(form->List2->Count(), 1);

    QMimeData link;
    link.setUrls({QUrl(QStringLiteral("https://example.org/photos/")), QUrl(QStringLiteral("http://x/"))});
    ASSERT_TRUE(DropOn(form, &link));
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("https://example.org/photos/"));

    QMimeData nothing;
    EXPECT_FALSE(DropOn(form, &nothing));
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("https://example.org/photos/"));
    EXPECT_FALSE(form->Combo1->lineEdit()->acceptDrops());
}

TEST_F(WindowUse, AddressesDroppedOnThePageListAreAddedToIt)
{
    form->List3->SetItems({"http://first/"});
    form->Combo1->setEditText(QStringLiteral("kept.example/"));
    QMimeData links;
    links.setUrls({QUrl(QStringLiteral("http://a.example/1.html")), QUrl(QStringLiteral("https://b.example/2.html"))});
    ASSERT_TRUE(DropOn(form->List3->viewport(), &links));
    EXPECT_EQ(form->List3->Items(),
              (QList<QByteArray>{"http://first/", "http://a.example/1.html", "https://b.example/2.html"}));
    EXPECT_EQ(form->Label9->text(), QStringLiteral("3"));
    QMimeData text;
    text.setText(QStringLiteral("http://c.example/\r\n\r\n  http://d.example/  \n"));
    ASSERT_TRUE(DropOn(form->List3->viewport(), &text));
    EXPECT_EQ(form->List3->Count(), 5);
    EXPECT_EQ(form->List3->Item(4), QByteArray("http://d.example/"));
    EXPECT_EQ(form->Label9->text(), QStringLiteral("5"));
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("kept.example/"));  // the address box untouched
    EXPECT_TRUE(form->List3->acceptDrops());
}

}  // namespace
