// The Create List window: numbered series, limits, hand-over to the main
// window, the browser test, copying and the hint.
#include "lists_fixture.h"
#include "gui/windows.h"
#include "core/lists/numbering.h"
#include "tests/support/test_helpers.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QUrl>

class OpenedUrls final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl &url) { urls << url; }
};

namespace {

TEST(Numbering, NumbersArePaddedToThePlacesAndNegativeOnesBeforeTheirSign)
{
    EXPECT_EQ(PaddedNumber(8, 2), "08");
    EXPECT_EQ(PaddedNumber(8, 1), "8");
    EXPECT_EQ(PaddedNumber(1000, 3), "1000");
    EXPECT_EQ(PaddedNumber(-5, 3), "0-5");
    EXPECT_EQ(PaddedNumber(0, 0), "0");
    EXPECT_EQ(PaddedNumber(7, -4), "7");
    EXPECT_EQ(NumberedSeries("a", "b", 2, 1, 1), Lines{});
}

TEST(Numbering, PagePrefixesHaveAtLeastTwoDigits)
{
    EXPECT_EQ(PagePrefix(0), "00-");
    EXPECT_EQ(PagePrefix(9), "09-");
    EXPECT_EQ(PagePrefix(10), "10-");
    EXPECT_EQ(PagePrefix(100), "100-");
}

class CreateListWindow : public ListsTest {
protected:
    TCreateList &w() { return *CreateList; }
    void Range(const char *from, const char *to, const char *places)
    {
        w().Edit5->setText(from);
        w().Edit6->setText(to);
        w().Edit7->setText(places);
    }
    Lines Numbers()
    {
        Lines n;
        const QByteArray head = "http://" + w().Edit3->text().toUtf8() + w().Edit1->text().toUtf8();
        for (const QByteArray &line : w().List1->Items())
            n << line.mid(head.size()).chopped(w().Edit2->text().toUtf8().size());
        return n;
    }
};

TEST_F(CreateListWindow, TheInitialValuesGiveSixPaddedAddresses)
{
    w().Edit3->setText("pics.example/set/");
    w().Button1Click();
    ASSERT_EQ(w().List1->Count(), 6);
    EXPECT_EQ(w().List1->Item(0), "http://pics.example/set/image001-small.jpg");
    EXPECT_EQ(w().List1->Item(5), "http://pics.example/set/image006-small.jpg");
}

TEST_F(CreateListWindow, RangesAndPlaces)
{
    Range("8", "11", "2");
    w().Button1Click();
    EXPECT_EQ(Numbers(), (Lines{"08", "09", "10", "11"}));
    w().Button3Click();
    Range("8", "11", "1");
    w().Button1Click();
    EXPECT_EQ(Numbers(), (Lines{"8", "9", "10", "11"}));
    w().Button3Click();
    Range("5", "4", "x");   // nothing to add: the places are not even read
    EXPECT_NO_THROW(w().Button1Click());
    EXPECT_EQ(w().List1->Count(), 0);
    Range("1000", "1000", "3");
    w().Button1Click();
    EXPECT_EQ(Numbers(), Lines{"1000"});
    Range("-2", "0", "3");   // a second press appends
    w().Button1Click();
    EXPECT_EQ(Numbers(), (Lines{"1000", "0-2", "0-1", "000"}));
}

TEST_F(CreateListWindow, TheLargestNumberNeitherOverflowsNorLoops)
{
    Range("2147483646", "2147483647", "0");
    w().Button1Click();
    EXPECT_EQ(Numbers(), (Lines{"2147483646", "2147483647"}));
    Range("-2147483648", "-2147483648", "12");
    w().Button1Click();
    EXPECT_EQ(Numbers().last(), "0-2147483648");
}

TEST_F(CreateListWindow, NonNumbersAreConversionErrorsAndAddNothing)
{
    Range("1", "3", "three");
    EXPECT_THROW(w().Button1Click(), EConvertError);
    Range("one", "3", "3");
    EXPECT_THROW(w().Button1Click(), EConvertError);
    Range("1", "", "3");
    EXPECT_THROW(w().Button1Click(), EConvertError);
    EXPECT_EQ(w().List1->Count(), 0);
}

TEST_F(CreateListWindow, TheSchemeTypedInTheBaseAddressIsTakenOff)
{
    w().Edit3->setText("HTTP://pics.example/a/");
    Range("1", "1", "1");
    w().Button1Click();
    EXPECT_EQ(w().Edit3->text(), "pics.example/a/");
    EXPECT_EQ(w().List1->Item(0), "http://pics.example/a/image1-small.jpg");
    w().Edit3->setText("pics.example.com");
    w().Button1Click();
    EXPECT_EQ(w().List1->Item(1), "http://pics.example.com/image1-small.jpg");
}

TEST_F(CreateListWindow, AnHttpsBaseAddressMakesHttpsAddressesAndHandsItsSchemeOver)
{
    w().show();
    const auto typeBase = [&](const char *text) {
        w().Edit3->setFocus();
        QTest::keyClick(w().Edit3, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w().Edit3, text);
        QTest::mouseClick(w().Button1, Qt::LeftButton);
    };
    Range("1", "2", "1");
    typeBase("HTTPS://pics.example/a/");
    EXPECT_EQ(w().Label1->text(), "https://");
    EXPECT_EQ(w().Edit3->text(), "pics.example/a/");
    typeBase("pics.example.org");  // no scheme: the label's stays
    EXPECT_EQ(w().List1->Items(), (Lines{"https://pics.example/a/image1-small.jpg", "https://pics.example/a/image2-small.jpg",
                                         "https://pics.example.org/image1-small.jpg", "https://pics.example.org/image2-small.jpg"}));
    QTest::mouseClick(w().Button2, Qt::LeftButton);
    EXPECT_EQ(form->Label1->text(), "https://");
    EXPECT_EQ(form->Combo1->currentText(), "pics.example.org/");
    EXPECT_EQ(form->List2->Item(0), "https://pics.example/a/image1-small.jpg");

    w().show();
    typeBase("http://pics.example/b/");
    EXPECT_EQ(w().Label1->text(), "http://");
    EXPECT_EQ(w().List1->Item(0), "http://pics.example/b/image1-small.jpg");
    QTest::mouseClick(w().Button2, Qt::LeftButton);
    EXPECT_EQ(form->Label1->text(), "http://");
}

TEST_F(CreateListWindow, AMillionEntriesBuildQuicklyAndLargerRangesAreRefused)
{
    Range("1", "1000000", "7");
    QElapsedTimer clock;
    clock.start();
    w().Button1Click();
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_EQ(w().List1->Count(), 1000000);
    EXPECT_EQ(w().List1->Item(999999), "http://" + w().Edit3->text().toUtf8() + "image1000000-small.jpg");
    w().Button3Click();

    Range("0", "1000000", "1");
    w().Button1Click();
    Range("-2147483648", "2147483647", "1");
    w().Button1Click();
    Range("1", "2", "1000000000");
    w().Button1Click();
    EXPECT_EQ(w().List1->Count(), 0);
    ASSERT_EQ(Shown().messages.size(), 3);
    EXPECT_EQ(Shown().messages[0], QStringLiteral("Seznam bi bil predolg: največ 1000000 vnosov naenkrat.\r"
                                                  "The list would be too long: at most 1000000 entries at a time."));
    EXPECT_EQ(Shown().messages[2], QStringLiteral("Največ 100 decimalnih mest.\rAt most 100 decimal places."));
}

TEST_F(CreateListWindow, DownloadHandsTheSeriesOverAllSelectedAndCloses)
{
    form->List2->SetItems({"old"});
    w().Edit3->setText("pics.example/set/");
    Range("1", "3", "1");
    w().Button1Click();
    w().show();
    w().Button2Click();
    EXPECT_EQ(form->List2->Items(), (Lines{"http://pics.example/set/image1-small.jpg",
                                           "http://pics.example/set/image2-small.jpg",
                                           "http://pics.example/set/image3-small.jpg"}));
    EXPECT_EQ(form->List2->SelectedCount(), 3);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    EXPECT_EQ(form->Combo1->currentText(), "pics.example/set/");
    EXPECT_FALSE(form->Image4->isHidden());
    EXPECT_EQ(w().List1->Count(), 0);
    EXPECT_FALSE(w().isVisible());
    EXPECT_EQ(w().result(), QDialog::Accepted);
}

TEST_F(CreateListWindow, DownloadWithAnEmptyListEmptiesTheLinkList)
{
    form->List2->SetItems({"old"});
    w().Button2Click();
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
}

TEST_F(CreateListWindow, TheMenuShowsTheWindowModallyUntilItCloses)
{
    Range("1", "2", "1");
    w().Button1Click();
    bool wasModal = false;
    Later(form, 50, [&] {
        wasModal = w().isVisible() && w().isModal();
        w().Button2Click();
    });
    form->P5Click();
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(form->List2->Count(), 2);
}

TEST_F(CreateListWindow, TestOpensTheSelectedAddressAfterTheMessage)
{
    OpenedUrls opened;
    QDesktopServices::setUrlHandler("http", &opened, "Open");
    Range("1", "2", "1");
    w().Button1Click();
    w().Button4Click();   // nothing selected: nothing happens
    EXPECT_TRUE(Shown().messages.isEmpty());
    w().List1->SetSelected(1, true);
    w().Button4Click();
    QDesktopServices::unsetUrlHandler("http");
    EXPECT_EQ(Shown().messages,
              QStringList{"The link that you have created will open in your browser. If an image is all you "
                          "will see then the syntax is correct, otherwise downloading won't work"});
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls[0].toEncoded(), "http://" + w().Edit3->text().toUtf8() + "image2-small.jpg");
}

TEST_F(CreateListWindow, ADoubleClickCopiesTheSelectedAddressAndTheHintShowsTheOneUnderThePointer)
{
    Range("1", "2", "1");
    w().Button1Click();
    QApplication::clipboard()->setText("before");
    w().List1DblClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    w().List1->SetSelected(0, true);
    w().List1DblClick();
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8(w().List1->Item(0)));
    EXPECT_EQ(w().Edit8, QString::fromUtf8(w().List1->Item(0)));

    w().show();
    const QRect second = w().List1->visualRect(w().List1->model()->index(1, 0));
    w().List1MouseMove(second.center());
    EXPECT_EQ(w().List1->toolTip(), QString::fromUtf8(w().List1->Item(1)));
    w().List1MouseMove(QPoint(5, second.bottom() + 60));
    EXPECT_TRUE(w().List1->toolTip().isEmpty());
    w().hide();
}

}  // namespace

#include "create_list_test.moc"
