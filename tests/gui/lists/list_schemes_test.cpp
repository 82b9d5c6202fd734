// https addresses in list files, in the List zone's address and in the runs
// over a page list: the scheme stays with every entry that has one, and an
// entry without one is an http address.
#include "lists_fixture.h"
#include "core/scan/address_helpers.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

class ListSchemes : public ListsTest {
protected:
    void TypeListAddress(const QString &text)
    {
        form->Edit7->setFocus();
        QTest::keyClick(form->Edit7, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(form->Edit7, text);
        QTest::keyClick(form->Edit7, Qt::Key_Return);
    }
};

TEST_F(ListSchemes, HttpsEntriesKeepTheirSchemeInTextAndHtmlLists)
{
    const Lines entries{"https://h.example/1.jpg", "HTTPS://h.example/d/2.gif", "http://h.example/3.png"};
    form->List2->SetItems(entries + Lines{"h.example/4.jpg"});
    Answer(folder + "/list.txt");
    form->P3Click();
    EXPECT_EQ(Read(folder + "/list.txt"), QByteArray("https://h.example/1.jpg\r\nHTTPS://h.example/d/2.gif\r\n"
                                                     "http://h.example/3.png\r\nh.example/4.jpg\r\n"));
    form->List2->Clear();
    Answer(folder + "/list.txt");
    form->P1Click();
    EXPECT_EQ(form->List2->Items(), entries + Lines{"h.example/4.jpg"});

    form->List2->SetItems(entries);
    Answer(folder + "/list.html");
    form->P4Click();
    for (const QByteArray &prefix : {QByteArray(kHttpPrefix), QByteArray(kHttpsPrefix)}) {
        form->SetAddressPrefix(prefix);
        form->Combo1->setEditText("other.example/");
        Answer(folder + "/list.html");
        form->P2Click();
        EXPECT_EQ(form->List2->Items(), entries) << prefix.constData();
    }
}

TEST_F(ListSchemes, AnHtmlListReadAgainstAnHttpsAddressResolvesItsLinksToHttps)
{
    Answer(Write("links.html", "<A HREF=\"rel/b.png\"><A HREF=\"/c.jpg\"><A HREF=\"//cdn.example/d.gif\">"
                               "<A HREF=\"mailto:e.jpg\"><A HREF=\"http://o.example/f.jpg\">"));
    form->Combo1->setEditText("HTTPS://site.example/gallery/index.html");  // typed, not yet loaded
    form->P2Click();
    const Lines https{"https://site.example/gallery/rel/b.png", "https://site.example/c.jpg",
                      "https://cdn.example/d.gif", "http://o.example/f.jpg"};
    EXPECT_EQ(form->List2->Items(), https);
    EXPECT_EQ(form->Label1->text(), "http://");  // only a load changes the label

    form->List2->Clear();
    form->SetAddressPrefix(kHttpsPrefix);
    form->Combo1->setEditText("site.example/gallery/index.html");
    Answer(folder + "/links.html");
    form->P2Click();
    EXPECT_EQ(form->List2->Items(), https);
}

TEST_F(ListSchemes, TheListZoneKeepsAnHttpsAddressInItsLabelAndHandsItToTheLoad)
{
    TypeListAddress("https://127.0.0.1:1/idx/");
    EXPECT_EQ(form->Label8->text(), "https://");
    EXPECT_EQ(form->Edit7->text(), "127.0.0.1:1/idx/");
    EXPECT_EQ(form->Label1->text(), "https://");
    EXPECT_EQ(form->Combo1->currentText(), "127.0.0.1:1/idx/");

    TypeListAddress("127.0.0.1:1/pics.com");  // no scheme: the label's stays
    EXPECT_EQ(form->Label8->text(), "https://");
    EXPECT_EQ(form->Edit7->text(), "127.0.0.1:1/pics.com/");

    server.Route("/idx/", FixtureResponse::Ok("<a href=a.html>1</a><a href=//other.example/b.htm>2</a>"));
    TypeListAddress("Http://" + host + "/idx/");
    EXPECT_EQ(form->Label8->text(), "http://");
    EXPECT_EQ(form->Label1->text(), "http://");
    EXPECT_TRUE(server.LastRequest().startsWith("GET /idx/ HTTP/1.0\r\n"));
    EXPECT_TRUE(server.LastRequest().contains("\r\nReferer: http://" + host + "/idx/\r\n"));
    EXPECT_EQ(form->List3->Items(), (Lines{"http://" + host + "/idx/a.html", "http://other.example/b.htm"}));
}

TEST_F(ListSchemes, TheFolderListTakesTheSchemeOfTheListAddressToo)
{
    form->Edit7->setText("HTTPS://127.0.0.1:1/dir/");
    QTest::mouseClick(form->Button15, Qt::LeftButton);
    EXPECT_EQ(form->Label8->text(), "https://");
    EXPECT_EQ(form->Label1->text(), "https://");
    EXPECT_EQ(form->Combo1->currentText(), "127.0.0.1:1/dir/");
}

TEST_F(ListSchemes, ARunAsksForAnEntryWithoutASchemeOverHttpWhateverTheAddressBoxHeld)
{
    server.Route("/p0/index.html", FixtureResponse::Ok("<a href=\"x.jpg\">x</a>"));
    server.Route("/p0/x.jpg", FixtureResponse::Ok("x of page 0"));
    form->SetAddressPrefix(kHttpsPrefix);
    form->List3->SetItems({host + "/p0/index.html"});
    form->Button14Click();
    EXPECT_EQ(form->Label1->text(), "http://");
    EXPECT_EQ(Files(), QStringList{"00-x.jpg"});
    EXPECT_TRUE(server.LastRequest().startsWith("GET /p0/x.jpg HTTP/1.0\r\n"));
    EXPECT_TRUE(server.LastRequest().contains("\r\nReferer: http://" + host + "/p0/index.html\r\n"));
}

}  // namespace
