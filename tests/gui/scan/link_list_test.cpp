#include "gui/dlform.h"
#include "gui/list_box.h"
#include "core/shared_state.h"
#include "tests/support/window_harness.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

using Lines = QList<QByteArray>;

class LinkList : public ::testing::Test {
protected:
    void Fill(qsizetype n)
    {
        Lines lines;
        for (qsizetype i = 0; i < n; ++i)
            lines << "http://h/" + QByteArray::number(i) + ".jpg";
        form->List2->SetItems(lines);
    }
    QList<bool> Selection() const
    {
        QList<bool> s;
        for (qsizetype i = 0; i < form->List2->Count(); ++i)
            s << form->List2->Selected(i);
        return s;
    }
    QList<bool> Visible() const
    {
        return {form->Image1->isHidden() == false, form->Image2->isHidden() == false,
                form->Image3->isHidden() == false, form->Image4->isHidden() == false,
                form->Image5->isHidden() == false};
    }
    void ReleaseKey(int key, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent event(QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(form->List2, &event);
    }
    WindowHarness windows{{.folderHint = "link-list"}};
    TDLForm *const form = windows.Form();
};

TEST_F(LinkList, StepIndicatorShowsAtMostOnePicture)
{
    form->PokaziStevilko(3);
    EXPECT_EQ(Visible(), (QList<bool>{false, false, true, false, false}));
    for (int n : {0, 6, 7, -1}) {
        form->PokaziStevilko(n);
        EXPECT_EQ(Visible(), (QList<bool>{false, false, false, false, false})) << n;
    }
    form->PokaziStevilko(5);
    EXPECT_EQ(Visible(), (QList<bool>{false, false, false, false, true}));
}

TEST_F(LinkList, OnAnEmptyListTheButtonsOnlyShowStepFourAndCtrlADoesNothing)
{
    form->PokaziStevilko(1);
    form->SpeedButton2->click();
    form->SpeedButton4->click();
    form->SpeedButton3->click();
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_EQ(Visible(), (QList<bool>{false, false, false, true, false}));
    ReleaseKey(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form->List2->SelectedCount(), 0);
}

TEST_F(LinkList, EverySecondSelectsEvenPositionsAndKeepsTheOthers)
{
    Fill(5);
    form->List2->SetSelected(1, true);
    form->SpeedButton2->click();
    EXPECT_EQ(Selection(), (QList<bool>{true, true, true, false, true}));
    form->SpeedButton3->click();
    form->SpeedButton2->click();
    EXPECT_EQ(Selection(), (QList<bool>(5, true)));
}

// On a long list with a scattered selection, the buttons clicked as a user
// clicks them; the selection read back both through the list's own runs and
// row by row from Qt's selection model.
TEST_F(LinkList, TheSelectionButtonsOnALongListSelectExactlyTheRightLines)
{
    const int n = 20001;
    Fill(n);
    for (int row : {1, 2, 3, 7, 20000})
        form->List2->SetSelected(row, true);
    const auto clickOn = [](QToolButton *button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    };
    form->show();
    clickOn(form->SpeedButton2);
    QList<bool> expected(n, false);
    for (int row = 0; row < n; row += 2)
        expected[row] = true;
    for (int row : {1, 3, 7})
        expected[row] = true;
    EXPECT_EQ(Selection(), expected);
    EXPECT_EQ(form->List2->SelectionFlags(), expected);
    EXPECT_EQ(form->List2->SelectedCount(), 10001 + 3);
    QItemSelectionModel *model = form->List2->selectionModel();
    for (int row : {0, 1, 2, 3, 4, 5, 7, 9, 19999, 20000})
        EXPECT_EQ(model->isRowSelected(row, {}), expected[row]) << row;

    clickOn(form->SpeedButton3);
    EXPECT_EQ(form->List2->SelectedCount(), n);
    EXPECT_EQ(Selection(), QList<bool>(n, true));

    clickOn(form->SpeedButton4);
    EXPECT_EQ(form->List2->SelectedCount(), 0);
    EXPECT_EQ(form->List2->Item(0), QByteArray("http://h/20000.jpg"));
    EXPECT_EQ(form->List2->Item(n - 1), QByteArray("http://h/0.jpg"));
    clickOn(form->SpeedButton2);
    clickOn(form->SpeedButton2);  // a second time changes nothing
    EXPECT_EQ(form->List2->SelectedCount(), 10001);
    EXPECT_TRUE(form->List2->Selected(n - 1));
    EXPECT_FALSE(form->List2->Selected(n - 2));
    EXPECT_FALSE(model->isRowSelected(1, {}));
    EXPECT_TRUE(model->isRowSelected(2, {}));
}

TEST_F(LinkList, ReverseTurnsTheOrderAndDropsTheSelection)
{
    form->List2->SetItems({"a", "b", "c"});
    form->List2->SetSelected(0, true);
    form->SpeedButton4->click();
    EXPECT_EQ(form->List2->Items(), (Lines{"c", "b", "a"}));
    EXPECT_EQ(form->List2->SelectedCount(), 0);
    form->SpeedButton4->click();
    EXPECT_EQ(form->List2->Items(), (Lines{"a", "b", "c"}));
}

TEST_F(LinkList, OnlyCtrlAAloneSelectsAll)
{
    Fill(3);
    ReleaseKey(Qt::Key_A, Qt::NoModifier);
    ReleaseKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    ReleaseKey(Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(form->List2->SelectedCount(), 0);
    form->PokaziStevilko(1);
    ReleaseKey(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form->List2->SelectedCount(), 3);
    EXPECT_FALSE(form->Image1->isHidden());  // no step picture of its own
}

TEST_F(LinkList, TheHintNamesTheEntryUnderThePointer)
{
    form->show();
    form->PageControl1->setCurrentWidget(form->TabSheet1);
    Fill(4);
    QApplication::processEvents();
    const QRect third = form->List2->visualRect(form->List2->model()->index(2, 0));
    QTest::mouseMove(form->List2->viewport(), third.center());
    form->List2MouseMove(third.center());
    EXPECT_EQ(form->List2->toolTip(), QStringLiteral("2: http://h/2.jpg"));
    form->List2MouseMove({5, form->List2->viewport()->height() - 2});
    EXPECT_EQ(form->List2->toolTip(), QString());
}

TEST_F(LinkList, PasteTakesTheFirstLineOfTheClipboardAndKeepsEdit8)
{
    form->Edit8 = QStringLiteral("Edit8");
    form->SetAddressPrefix("https://");  // the scheme of the page before
    QApplication::clipboard()->setText(QStringLiteral("slike.si/a/\nsecond line"));
    form->SpeedButton5->click();
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("slike.si/a/"));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("http://")) << "a pasted address without a scheme is http";
    EXPECT_EQ(form->Edit8, QStringLiteral("Edit8"));
    QApplication::clipboard()->clear();
    form->SpeedButton5Click();
    EXPECT_EQ(form->Combo1->currentText(), QStringLiteral("slike.si/a/"));
}

TEST_F(LinkList, DoubleClickEmptiesThePrefixAndTheHiddenButtonEmptiesTheLists)
{
    form->Edit4->setText(QStringLiteral("pre-"));
    QTest::mouseDClick(form->Edit4, Qt::LeftButton);
    EXPECT_TRUE(form->Edit4->text().isEmpty());

    Fill(2);
    form->List1 = {"x"};
    form->Memo1 = {"a"};
    form->Memo2 = "<html>";
    form->Button6Click();
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_TRUE(form->List1.isEmpty() && form->Memo1.isEmpty() && form->Memo2.isEmpty());
}

TEST_F(LinkList, ChoosingATypeSetsTheFilterIndex)
{
    form->Combo2->setCurrentIndex(4);
    EXPECT_EQ(TypeFilterIndex, 0);  // a change by the program raises nothing
    form->Combo2Change();
    EXPECT_EQ(TypeFilterIndex, 4);
}

}  // namespace
