// With connections kept open, the connection that loaded the page serves
// the files saved from it: a page and its files over one connection.
#include "download_fixture.h"

#include "gui/list_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

class PageConnectionTest : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        form->Edit13->setText("0");
        server.Route("/g/a.jpg", FixtureResponse::KeptOk("data of a"));
        server.Route("/g/b.jpg", FixtureResponse::KeptOk("data of b"));
    }
    void KeepConnections()
    {
        QTest::mouseClick(form->CheckBox6, Qt::LeftButton, {}, QPoint(4, form->CheckBox6->height() / 2));
        ASSERT_TRUE(form->HTTP1->KeepAlive && form->HTTP2->KeepAlive);
    }
    // Loads the page with the button, picks every link and saves them.
    void LoadAndSaveAll()
    {
        form->Combo1->setEditText(QString::fromUtf8(server.Url("/g/index.html").mid(7)));
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        ASSERT_EQ(form->List2->Count(), 2);
        form->List2->SelectAll();
        QTest::mouseClick(form->Button4, Qt::LeftButton);
        EXPECT_EQ(Files(), (QStringList{"a.jpg", "b.jpg"}));
        EXPECT_EQ(Saved("b.jpg"), QByteArray("data of b"));
    }
};

const QByteArray kPage = "<a href=\"a.jpg\">a</a> <a href=\"b.jpg\">b</a>\n";

}  // namespace

TEST_F(PageConnectionTest, ThePageAndItsFilesShareOneConnection)
{
    server.Route("/g/index.html", FixtureResponse::KeptOk(kPage));
    KeepConnections();
    LoadAndSaveAll();
    EXPECT_EQ(server.ConnectionCount(), 1);
    EXPECT_EQ(server.RequestCount(), 3);
    EXPECT_FALSE(form->HTTP1->Connected);
}

TEST_F(PageConnectionTest, APageConnectionTheServerClosedGivesWayToANewOne)
{
    server.Route("/g/index.html",
                 FixtureResponse::Raw("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(kPage.size())
                                      + "\r\n\r\n" + kPage));
    KeepConnections();
    LoadAndSaveAll();
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_EQ(server.RequestCount(), 3);
    EXPECT_FALSE(LogLines().join('\n').contains("trying again")) << "a closed kept connection is no failed attempt";
}

TEST_F(PageConnectionTest, WithoutKeptConnectionsEveryRequestHasItsOwn)
{
    server.Route("/g/index.html", FixtureResponse::Ok(kPage));
    LoadAndSaveAll();
    EXPECT_EQ(server.ConnectionCount(), 3);
    EXPECT_TRUE(server.LastRequest().startsWith("GET /g/b.jpg HTTP/1.0\r\n")) << server.LastRequest().constData();
}

TEST_F(PageConnectionTest, SeveralAtOnceOpenNoMoreConnectionsThanSlotsThePageIncluded)
{
    server.Route("/g/index.html", FixtureResponse::KeptOk(kPage));
    KeepConnections();
    form->SpinEdit1->setValue(2);
    LoadAndSaveAll();
    EXPECT_EQ(server.MostConcurrent(), 2);
    EXPECT_EQ(server.ConnectionCount(), 3);  // the page's, closed before the two slots opened theirs
    EXPECT_FALSE(form->HTTP1->Connected);
}
