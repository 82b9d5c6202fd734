// The page list List3 by hand: paste, file, delete, select all, the hint,
// copying an entry; and the Lists button's menu.
#include "lists_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

class PageList : public ListsTest {
protected:
    void ReleaseKey(int key, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent event(QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(form->List3, &event);
    }
    void MakeCurrent(int row)
    {
        form->List3->selectionModel()->setCurrentIndex(form->List3->model()->index(row, 0),
                                                       QItemSelectionModel::NoUpdate);
    }
    QList<bool> Selection() const
    {
        QList<bool> s;
        for (qsizetype i = 0; i < form->List3->Count(); ++i)
            s << form->List3->Selected(i);
        return s;
    }
};

TEST_F(PageList, PastingThreeLinesGivesThreeEntriesAndEmptyLinesInBetweenStay)
{
    form->List3->SetItems({"old"});
    QApplication::clipboard()->setText("http://a/\r\nhttp://b/\r\nhttp://c/\r\n");
    form->SpeedButton6Click();
    EXPECT_EQ(form->List3->Items(), (Lines{"http://a/", "http://b/", "http://c/"}));
    EXPECT_EQ(form->Label9->text(), "3");
    EXPECT_EQ(form->Memo6, "http://a/\r\nhttp://b/\r\nhttp://c/\r\n");
    QApplication::clipboard()->setText("a\n\nb");
    form->SpeedButton6Click();
    EXPECT_EQ(form->List3->Items(), (Lines{"a", "", "b"}));
}

TEST_F(PageList, TheAddressPasteTakesTheFirstLineAndKeepsTheFieldWhenTheClipboardIsEmpty)
{
    form->Edit7->setText("old.example/");
    QApplication::clipboard()->setText("new.example/a/\nsecond");
    form->SpeedButton1Click();
    EXPECT_EQ(form->Edit7->text(), "new.example/a/");
    QApplication::clipboard()->clear();
    form->SpeedButton1Click();
    EXPECT_EQ(form->Edit7->text(), "new.example/a/");
}

TEST_F(PageList, AFileOfFiveLinesGivesFiveEntriesAndAFailureChangesNothing)
{
    Answer(Write("pages.txt", "1\r\n2\n3\r4\r\n5"));
    form->Button17Click();
    EXPECT_EQ(form->List3->Items(), (Lines{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(form->Label9->text(), "5");
    form->Button17Click();   // cancelled
    Answer(folder + "/missing.txt");
    EXPECT_THROW(form->Button17Click(), EFOpenError);
    EXPECT_EQ(form->List3->Count(), 5);
}

TEST_F(PageList, DeleteRemovesOnlyTheFocusedEntryAndEveryKeyRefreshesTheCount)
{
    form->List3->SetItems({"a", "b", "c", "d"});
    form->List3->SetSelected(0, true);
    form->List3->SetSelected(2, true);
    MakeCurrent(1);
    ReleaseKey(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(form->List3->Items(), (Lines{"a", "c", "d"}));
    EXPECT_EQ(form->Label9->text(), "3");
    form->List3->SetItems({"x"});
    ReleaseKey(Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(form->Label9->text(), "1");
    form->List3->Clear();
    ReleaseKey(Qt::Key_Delete, Qt::NoModifier);   // no entry: nothing to delete
    EXPECT_EQ(form->Label9->text(), "0");
}

TEST_F(PageList, CtrlASelectsAllAndShiftCtrlADoesNothing)
{
    form->List3->SetItems({"a", "b", "c"});
    form->List3KeyUp(Qt::Key_A, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(Selection(), (QList<bool>{false, false, false}));
    form->List3KeyUp(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selection(), (QList<bool>{true, true, true}));
}

TEST_F(PageList, TheHintShowsIndexAndEntryUnderThePointer)
{
    form->resize(700, 540);
    form->show();
    form->List3->SetItems({"http://a.example/", "http://b.example/"});
    const QRect second = form->List3->visualRect(form->List3->model()->index(1, 0));
    form->List3MouseMove(form->List3->visualRect(form->List3->model()->index(0, 0)).center());
    EXPECT_EQ(form->List3->toolTip(), "0: http://a.example/");
    form->List3MouseMove(second.center());
    EXPECT_EQ(form->List3->toolTip(), "1: http://b.example/");
    form->List3MouseMove(QPoint(5, second.bottom() + 200));
    EXPECT_TRUE(form->List3->toolTip().isEmpty());
}

TEST_F(PageList, ADoubleClickCopiesTheCurrentEntry)
{
    QApplication::clipboard()->setText("before");
    form->List3->SetItems({"http://a.example/", "http://b.example/"});
    form->List3DblClick();   // no current entry
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    MakeCurrent(1);
    form->List3DblClick();
    EXPECT_EQ(form->Edit8, "http://b.example/");
    EXPECT_EQ(QApplication::clipboard()->text(), "http://b.example/");
}

TEST_F(PageList, TheListsButtonOpensItsMenuBesideItself)
{
    form->show();
    form->PageControl1->setCurrentWidget(form->TabSheet4);  // where the button is
    form->move(0, 0);  // room below the button on the test's screen
    QCoreApplication::processEvents();
    form->Button9->click();
    EXPECT_TRUE(form->PopupMenu1->isVisible());
    const QPoint corner = form->Button9->mapToGlobal(QPoint(form->Button9->width(), form->Button9->height()));
    EXPECT_LE((form->PopupMenu1->pos() - corner).manhattanLength(), 2)
        << form->geometry().bottom() << " " << corner.y() << " " << form->PopupMenu1->height();
    form->PopupMenu1->hide();
}

TEST_F(PageList, TheMenuItemsRunTheirCommands)
{
    form->List2->SetItems({"a"});
    Answer(folder + "/menu.txt");
    form->P3->trigger();
    EXPECT_EQ(Read(folder + "/menu.txt"), QByteArray("a\r\n"));
    Answer(folder + "/missing.txt");
    form->P1->trigger();   // the error goes to the error box, not up the stack
    EXPECT_EQ(Shown().errors.size(), 1);
    EXPECT_TRUE(Shown().errors.value(0).startsWith("Cannot open file"));
}

}  // namespace
