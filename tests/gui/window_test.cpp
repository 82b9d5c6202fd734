#include "gui/dlform.h"
#include "gui/window_state.h"
#include "gui/list_box.h"
#include "gui/message_log.h"
#include "gui/panel_status_bar.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "gui/download/previewform.h"
#include "gui/lists/createlist.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_harness.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include "base/errors.h"
#include <gtest/gtest.h>

namespace {

// The main window alone: its first activation would show the preview window.
class Window : public ::testing::Test {
protected:
    WindowHarness windows{{.secondaryWindows = false, .folderHint = "window"}};
    TDLForm *const form = windows.Form();
};

TEST_F(Window, OpensOnTheDownloadZoneWithTheTabsInOrder)
{
    ASSERT_EQ(form->PageControl1->count(), 4);
    EXPECT_EQ(form->PageControl1->widget(0), form->TabSheet1);
    EXPECT_EQ(form->PageControl1->widget(1), form->TabSheet4);
    EXPECT_EQ(form->PageControl1->widget(2), form->TabSheet2);
    EXPECT_EQ(form->PageControl1->widget(3), form->TabSheet3);
    EXPECT_EQ(form->PageControl1->tabText(0), QStringLiteral("Download zone"));
    EXPECT_EQ(form->PageControl1->tabText(3), QStringLiteral("About"));
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Grabulo"));
}

TEST_F(Window, SharedStateStartsAsTheWindowSetsIt)
{
    EXPECT_EQ(TypeFilterIndex, 0);
    EXPECT_EQ(form->Combo2->currentIndex(), 0);
    EXPECT_TRUE(FirstActivation);
    EXPECT_EQ(ProgramVersion, QStringLiteral("1.5"));
    EXPECT_EQ(PreviewScale, 3);
    EXPECT_EQ(RunPictureCount, 0);
    EXPECT_FALSE(AbortRequested || ListAbortRequested || ListRunning);
    EXPECT_FALSE(ProductSiteAddress.isEmpty());
    EXPECT_FALSE(MakerSiteAddress.isEmpty());
    EXPECT_GT(StartMsecs, 0);
    EXPECT_EQ(EnglishUI, 0);
    EXPECT_EQ(AddressScheme, "http");
    EXPECT_EQ(form->Label1->text(), QStringLiteral("http://"));
}

TEST_F(Window, TheTypeFilterHasItsSeventeenEntries)
{
    ASSERT_EQ(form->Combo2->count(), 17);
    EXPECT_EQ(form->Combo2->itemText(0), QStringLiteral("*.gif, *.jpg, *.png"));
    EXPECT_EQ(form->Combo2->itemText(4), QStringLiteral("*.htm, *.html"));
    EXPECT_EQ(form->Combo2->itemText(16), QStringLiteral("*.*"));
    EXPECT_EQ(form->Combo2->maxVisibleItems(), 17);
}

TEST_F(Window, OnlyTheFirstStepPictureShowsAtStart)
{
    form->show();
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    EXPECT_TRUE(form->Image1->isVisible());
    for (QLabel *image : {form->Image2, form->Image3, form->Image4, form->Image5})
        EXPECT_FALSE(image->isVisible());
    EXPECT_EQ(form->Image1->toolTip(), QStringLiteral("Vpiši naslov!"));
    EXPECT_EQ(form->Image4->toolTip(), QStringLiteral("Klikni tu za pričetek downloada!"));
    EXPECT_FALSE(form->Image1->pixmap().isNull());
}

TEST_F(Window, HiddenControlsNeverShowAtAnySize)
{
    form->show();
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    for (QSize size : {QSize(670, 520), QSize(1600, 1200), QSize(300, 200)}) {
        form->resize(size);
        QCoreApplication::processEvents();
        for (QWidget *hidden : {static_cast<QWidget *>(form->Button3), static_cast<QWidget *>(form->Button6),
                                static_cast<QWidget *>(form->Label5), static_cast<QWidget *>(form->Button181)})
            EXPECT_FALSE(hidden->isVisible()) << hidden->metaObject()->className();
    }
}

// The logical screens of 1024x600 at scale 1.5 and 1366x768 at 2.0, less a
// window frame: the least window fits both, and at that size every command
// of every tab is within reach (shown, or shown once its area scrolls).
TEST_F(Window, FitsASmallScreenWithEveryCommandWithinReach)
{
    for (const QSize screen : {QSize(1024 * 2 / 3, 600 * 2 / 3), QSize(1366 / 2, 768 / 2)}) {
        const QSize room = screen - TDLForm::kUsualFrame;
        EXPECT_LE(form->minimumWidth(), room.width());
        EXPECT_LE(form->minimumHeight(), room.height());
    }
    form->show();
    form->resize(300, 200);
    QCoreApplication::processEvents();
    ASSERT_EQ(form->size(), TDLForm::kLeastSize);
    for (int tab = 0; tab < form->PageControl1->count(); ++tab) {
        form->PageControl1->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        const QString caption = form->PageControl1->tabText(tab);
        for (QWidget *control : form->PageControl1->currentWidget()->findChildren<QWidget *>()) {
            const bool command = qobject_cast<QAbstractButton *>(control) || qobject_cast<QComboBox *>(control)
                                 || qobject_cast<ListBox *>(control);
            if (!command || !control->isVisibleTo(form) || control->inherits("QScrollBar"))
                continue;
            for (QWidget *up = control->parentWidget(); up; up = up->parentWidget()) {
                if (auto *area = qobject_cast<QScrollArea *>(up)) {
                    area->ensureWidgetVisible(control, 0, 0);
                    break;
                }
            }
            QCoreApplication::processEvents();
            const QRect place(control->mapTo(form, QPoint(0, 0)), control->size());
            EXPECT_TRUE(form->rect().contains(place.center()))
                << caption.toStdString() << ": " << control->metaObject()->className() << " at " << place.x() << ","
                << place.y();
        }
    }
    // The log gives way but keeps three lines; the status bars stay in view.
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    QCoreApplication::processEvents();
    EXPECT_GE(form->Memo3->height(), 3 * form->Memo3->fontMetrics().lineSpacing());
    EXPECT_TRUE(form->rect().contains(QRect(form->Status1->mapTo(form, QPoint(0, 0)), form->Status1->size())));
}

// The symbol buttons and paste are on the Tab chain; at the least size the
// work area scrolls to the control the focus goes to.
TEST_F(Window, TabReachesEveryCommandAndScrollsToIt)
{
    form->show();
    form->resize(TDLForm::kLeastSize);
    QApplication::setActiveWindow(form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    form->Combo1->setFocus();
    QSet<QWidget *> reached;
    for (int i = 0; i < 40 && !reached.contains(form->Button4); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.insert(QApplication::focusWidget());
    }
    for (QWidget *command : std::initializer_list<QWidget *>{form->SpeedButton5, form->SpeedButton3, form->SpeedButton4,
                                                             form->SpeedButton2, form->Button4})
        EXPECT_TRUE(reached.contains(command)) << command->metaObject()->className();
    ASSERT_EQ(QApplication::focusWidget(), form->Button4);
    const QRect save(form->Button4->mapTo(form->WorkArea->viewport(), QPoint(0, 0)), form->Button4->size());
    EXPECT_TRUE(form->WorkArea->viewport()->rect().contains(save));
    EXPECT_FALSE(form->SpeedButton3->autoRaise());  // drawn as a button, not as flat text
}

TEST_F(Window, ResizingGrowsTheListsAndKeepsTheBottomRowsInPlace)
{
    form->show();
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    form->resize(TDLForm::kDefaultSize);
    QCoreApplication::processEvents();
    for (int i = 0; i < 100 && form->List2->width() == 0; ++i)
        QTest::qWait(10);  // the work area's layout pass
    ASSERT_GT(form->List2->width(), 0);
    // At the default size the log shows eight lines.
    EXPECT_GE(form->Memo3->viewport()->height(), 8 * form->Memo3->fontMetrics().lineSpacing());
    const QRect list = form->List2->geometry();
    const int saveBottomGap = form->Panel2->height() - form->Button4->geometry().bottom();
    const int starRightGap = form->Panel2->width() - form->SpeedButton3->geometry().left();
    const QRect address = form->Combo1->geometry();

    form->resize(TDLForm::kDefaultSize + QSize(200, 200));
    QCoreApplication::processEvents();
    EXPECT_EQ(form->List2->width(), list.width() + 200);
    // A third of the new height goes to the message log under the work area.
    EXPECT_NEAR(form->List2->height(), list.height() + 200 - 200 / 3, 1);
    EXPECT_EQ(form->Panel2->height() - form->Button4->geometry().bottom(), saveBottomGap);
    EXPECT_EQ(form->Panel2->width() - form->SpeedButton3->geometry().left(), starRightGap);
    // The address box takes the new width; its row stays where it was.
    EXPECT_EQ(form->Combo1->geometry(), address.adjusted(0, 0, 200, 0));
    // The List download tab's page list grows the same way.
    form->PageControl1->setCurrentWidget(form->TabSheet4);
    const QSize pages = form->List3->size();
    form->resize(TDLForm::kDefaultSize + QSize(300, 200));
    QCoreApplication::processEvents();
    EXPECT_EQ(form->List3->size(), pages + QSize(100, 0));
}

TEST_F(Window, ControlsStartWithTheirDesignTexts)
{
    EXPECT_EQ(form->Button2->text(), QStringLiteral("DL STRANI"));
    EXPECT_EQ(form->Button4->text(), QStringLiteral("SHRANI SLIKE"));
    EXPECT_EQ(form->Button1->text(), QStringLiteral("PREKINI"));
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("192.168.0.1"));
    EXPECT_EQ(form->Edit5->text(), QStringLiteral("80"));
    EXPECT_EQ(form->Edit12->text(), QStringLiteral("0"));
    EXPECT_EQ(form->Edit9->text(), QStringLiteral("0"));
    EXPECT_TRUE(form->Edit6->isReadOnly());
    EXPECT_EQ(form->Status1->PanelText(0), QStringLiteral("Grabulo"));
    EXPECT_EQ(form->Status1->PanelText(1), QStringLiteral("Download zone"));
    EXPECT_EQ(form->StatusBar1->PanelCount(), 3);
    EXPECT_EQ(form->Shape1Color(), QColor(Qt::red));
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Edit4->toolTip(), QStringLiteral("This will be added as prefix to the saved image"));
    EXPECT_TRUE(form->Memo3->isReadOnly());
}

TEST_F(Window, ThePopupMenuAndTheDialogsAreConfigured)
{
    const auto actions = form->PopupMenu1->actions();
    ASSERT_EQ(actions.size(), 7);
    EXPECT_EQ(actions[0], form->P1);
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_TRUE(actions[5]->isSeparator());
    EXPECT_EQ(form->P5->text(), QStringLiteral("Naredi seznam"));
    EXPECT_EQ(form->OpenDialog1.Filter, QStringLiteral("*.html|*.html"));
    EXPECT_EQ(form->SaveDialog1.DefaultExt, QStringLiteral("*.txt"));
    EXPECT_EQ(form->SaveDialog2.Filter, QStringLiteral("*.html|*.html|*.*|*.*"));
    // Dialogs go through the dialog interface: the scripted one answers Cancel.
    EXPECT_FALSE(form->OpenDialog2.Execute());
}

TEST_F(Window, TheLogAppendsOneLineEach)
{
    form->Log(QStringLiteral("first"));
    form->Log(QStringLiteral("drugi čšž"));
    EXPECT_EQ(form->Memo3->Text(), QStringLiteral("first\ndrugi čšž"));
}

TEST_F(Window, SwitchingToTheDownloadZonePutsTheFocusInTheAddressBox)
{
    form->show();
    QApplication::setActiveWindow(form);
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->Combo1->hasFocus() || form->Combo1->lineEdit()->hasFocus());
}

TEST(SecondaryWindows, CreateListAndPreviewHaveTheirControls)
{
    testenv::ClearSettings();
    TCreateList createList;
    EXPECT_EQ(createList.windowTitle(), QStringLiteral("Create List"));
    EXPECT_EQ(createList.Edit1->text(), QStringLiteral("image"));
    EXPECT_EQ(createList.Edit5->text(), QStringLiteral("1"));
    EXPECT_EQ(createList.Edit6->text(), QStringLiteral("6"));
    EXPECT_EQ(createList.Edit7->text(), QStringLiteral("3"));
    EXPECT_EQ(createList.Edit2->text(), QStringLiteral("-small.jpg"));
    EXPECT_EQ(createList.List1->Count(), 0);

    TPreviewForm preview;
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Preview"));
    EXPECT_EQ(preview.pos(), QPoint(644, 118));
    EXPECT_EQ(preview.Image1->size(), QSize(171, 114));
    EXPECT_FALSE(preview.isVisible());
}

TEST(ListBoxTest, IndexErrorsAndSortedMode)
{
    ListBox list;
    list.Add("b");
    list.Add("a");
    EXPECT_EQ(list.Items(), (QList<QByteArray>{"b", "a"}));
    EXPECT_THROW(list.Selected(2), EListError);
    EXPECT_THROW(list.Item(-1), EListError);
    list.SetSelected(1, true);
    EXPECT_TRUE(list.Selected(1));
    EXPECT_FALSE(list.Selected(0));
    list.SetSelected(1, true);
    list.SelectAll();  // overlapping selections count each line once
    EXPECT_EQ(list.SelectedCount(), 2);
    list.SetSelected(0, false);
    EXPECT_EQ(list.SelectedCount(), 1);
    list.SetSorted(true);
    EXPECT_EQ(list.Items(), (QList<QByteArray>{"a", "b"}));
    EXPECT_EQ(list.Add("ab"), 1);
    EXPECT_EQ(list.Add("B"), 3);  // letters sort without regard to case
    EXPECT_EQ(list.Add("AA"), 1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(Program, StartsOnTheOffscreenPlatformWithoutADisplay)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(GRABULO_EXECUTABLE), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    // It stays up with its window until it is told to end.
    EXPECT_FALSE(program.waitForFinished(1500));
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(10000));
}

}  // namespace
