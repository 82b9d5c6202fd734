// The scheme of the Download zone's address box, driven with key and mouse
// events: what the label shows, what the box and its history keep, and the
// request an http page still gets.
#include "gui/dlform.h"
#include "gui/window_state.h"
#include "gui/list_box.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_harness.h"

#include <QAbstractItemView>
#include <QDir>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Lines = QList<QByteArray>;

class AddressScheme : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.Route("/gallery/index.html", FixtureResponse::Ok("<a href=\"a.jpg\">a</a> <a href=\"//cdn/b.gif\">"));
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    }

    // Types into the address box as a user does: everything selected first.
    void TypeAddress(const QString &text)
    {
        QLineEdit *edit = form->Combo1->lineEdit();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
    }
    // Opens the box's drop-down and picks an entry with the arrow keys and Return.
    void PickFromHistory(int row)
    {
        form->Combo1->showPopup();
        QAbstractItemView *view = form->Combo1->view();
        const Qt::Key key = row < view->currentIndex().row() ? Qt::Key_Up : Qt::Key_Down;
        while (view->currentIndex().row() != row)
            QTest::keyClick(view, key);
        QTest::keyClick(view, Qt::Key_Return);
    }
    void WriteHistory(const QByteArray &text)
    {
        QFile file(ProgramFile("dl.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray History() const
    {
        QFile file(ProgramFile("dl.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    QString Label() const { return form->Label1->text(); }
    QString Box() const { return form->Combo1->currentText(); }

    FixtureHttpServer server;
    // Declared after the server: the windows go before it stops.
    WindowHarness windows{{.removeProgramFiles = true, .folderHint = "address-scheme"}};
    TDLForm *const form = windows.Form();
    const QString host = "127.0.0.1:" + QString::number(server.Port());
};

TEST_F(AddressScheme, HttpsTypedShowsInTheLabelAndAPageThatDidNotComeIsNoHistory)
{
    EXPECT_EQ(Label(), QStringLiteral("http://"));
    TypeAddress(QStringLiteral("https://127.0.0.1:1/x/"));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(Label(), QStringLiteral("https://"));
    EXPECT_EQ(Box(), QStringLiteral("127.0.0.1:1/x/"));
    EXPECT_EQ(form->Combo1->count(), 0);
    EXPECT_EQ(History(), QByteArray("<none>"));
    EXPECT_EQ(Box(), QStringLiteral("127.0.0.1:1/x/"));
}

TEST_F(AddressScheme, EnterTakesTheSchemeInAnyCaseAndABareTypedAddressIsHttp)
{
    TypeAddress(QStringLiteral("HtTpS://127.0.0.1:1/x"));
    QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Label(), QStringLiteral("https://"));
    EXPECT_EQ(Box(), QStringLiteral("127.0.0.1:1/x"));

    // Typed after an https page, an address without a scheme is http.
    TypeAddress(QStringLiteral("127.0.0.1:1/y.org"));
    EXPECT_EQ(Label(), QStringLiteral("http://"));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(Label(), QStringLiteral("http://"));
    EXPECT_EQ(Box(), QStringLiteral("127.0.0.1:1/y.org/"));

    // An http page loads as before: the same request, history and links.
    TypeAddress("HTTP://" + host + "/gallery/index.html");
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(Label(), QStringLiteral("http://"));
    const QByteArray page = host.toUtf8() + "/gallery/index.html";
    EXPECT_EQ(Box().toUtf8(), page);
    const QByteArray request = server.LastRequest();
    EXPECT_TRUE(request.startsWith("GET /gallery/index.html HTTP/1.0\r\n")) << request.constData();
    EXPECT_TRUE(request.contains("\r\nReferer: http://" + page + "\r\n")) << request.constData();
    EXPECT_TRUE(History().endsWith(page + "\r\n")) << History().constData();
    EXPECT_EQ(form->List2->Items(), (Lines{"http://" + host.toUtf8() + "/gallery/a.jpg", "http://cdn/b.gif"}));
}

TEST_F(AddressScheme, PickingAHistoryEntrySetsItsSchemeAndKeepsTheHttpsEntryStored)
{
    WriteHistory("https://127.0.0.1:1/x/\r\n" + host.toUtf8() + "/gallery/index.html\r\n");
    form->LoadHistory();
    ASSERT_EQ(form->Combo1->count(), 2);

    PickFromHistory(0);
    EXPECT_EQ(Label(), QStringLiteral("https://"));
    EXPECT_EQ(Box(), QStringLiteral("127.0.0.1:1/x/"));
    EXPECT_FALSE(form->Image2->isHidden());  // a pick is the user's change of the address

    PickFromHistory(1);
    EXPECT_EQ(Label(), QStringLiteral("http://"));
    EXPECT_EQ(Box(), host + "/gallery/index.html");

    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_TRUE(server.LastRequest().startsWith("GET /gallery/index.html HTTP/1.0\r\n"));
    const QByteArray page = host.toUtf8() + "/gallery/index.html\r\n";
    EXPECT_EQ(History(), page + "https://127.0.0.1:1/x/\r\n") << "the newest first, once";
}

// An https gallery in the window, as a user gets it: typed, loaded with
// the button, picked and saved with the button.
class HttpsGallery : public AddressScheme {
protected:
    void SetUp() override
    {
        AddressScheme::SetUp();
        const QByteArray port = QByteArray::number(tls.Port());
        tls.Route("/g/index.html", FixtureResponse::Ok("<a href=a.jpg>a</a> <a href=\"/g/b.gif\">b</a>"
                                                       " <a href=\"//127.0.0.1:" + port + "/g/c.png\">c</a>"
                                                       " <a href=\"mailto:x@y.jpg\">m</a>"));
        for (const char *name : {"a.jpg", "b.gif", "c.png"})
            tls.Route(QByteArray("/g/") + name, FixtureResponse::Ok(QByteArray("TLS ") + name, "image/png"));
        form->Edit13->setText("0");
    }

    TestCertificates certificates;
    ScopedTrustedCa trusted{certificates.CaFile()};
    FixtureHttpServer tls{FixtureTls{certificates.CertFile(TestLeaf::Good), certificates.KeyFile(TestLeaf::Good)}};
};

// A bare address typed after an https page goes out over http, by Load page
// and by Enter alike; an https history entry picked keeps its https.
TEST_F(HttpsGallery, ABareAddressTypedAfterAnHttpsPageIsHttpAndAPickedHttpsEntryStaysHttps)
{
    TypeAddress(QString::fromUtf8(tls.Url("/g/index.html")));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    ASSERT_EQ(Label(), QStringLiteral("https://"));
    TypeAddress(host + "/gallery/index.html");
    QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(server.RequestCount(), 1);
    EXPECT_EQ(Label(), QStringLiteral("http://"));
    EXPECT_TRUE(windows.Messages().isEmpty()) << windows.Messages().join('\n').toStdString();

    PickFromHistory(1);  // under the http page loaded last
    ASSERT_EQ(Label(), QStringLiteral("https://"));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(tls.RequestCount(), 2);
    EXPECT_EQ(form->List2->Item(0), tls.Url("/g/a.jpg"));
}

// An http page that moved to https: its links, the box and the referer of
// its files are the https address; the history keeps what was typed.
TEST_F(HttpsGallery, APageMovedToHttpsIsTheBaseOfItsLinksAndTheRefererOfItsFiles)
{
    server.Route("/moved", FixtureResponse::Redirect(301, tls.Url("/g/index.html")));
    TypeAddress(host + "/moved");
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(Label(), QStringLiteral("https://"));
    EXPECT_EQ(("https://" + Box()).toUtf8(), tls.Url("/g/index.html"));
    EXPECT_EQ(History(), (host + "/moved\r\n").toUtf8());
    const QByteArray base = tls.Url("/g/");
    ASSERT_EQ(form->List2->Items(), (Lines{base + "a.jpg", base + "b.gif", base + "c.png"}));
    form->List2->SelectAll();
    QTest::mouseClick(form->Button4, Qt::LeftButton);
    EXPECT_EQ(windows.SavedFiles().size(), 3);
    EXPECT_TRUE(tls.LastRequest().contains("\r\nReferer: " + tls.Url("/g/index.html") + "\r\n"));
}

TEST_F(HttpsGallery, LoadsPicksAndSavesOverTls)
{
    TypeAddress(QString::fromUtf8(tls.Url("/g/index.html")));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(Label(), QStringLiteral("https://"));
    const QByteArray base = tls.Url("/g/");
    ASSERT_EQ(form->List2->Items(), (Lines{base + "a.jpg", base + "b.gif", base + "c.png"}));
    form->List2->SelectAll();
    QTest::mouseClick(form->Button4, Qt::LeftButton);
    for (const char *name : {"a.jpg", "b.gif", "c.png"})
        EXPECT_EQ(windows.ReadFile(name), QByteArray("TLS ") + name);
    EXPECT_EQ(windows.SavedFiles().size(), 3);
    EXPECT_TRUE(tls.LastRequest().contains("\r\nReferer: " + tls.Url("/g/index.html") + "\r\n"));
}

TEST_F(HttpsGallery, ARefusedCertificateIsNamedInTheLogAndAMessage)
{
    FixtureHttpServer wrongHost{FixtureTls{certificates.CertFile(TestLeaf::WrongHost),
                                           certificates.KeyFile(TestLeaf::WrongHost)}};
    EnglishUI = 1;
    TypeAddress(QString::fromUtf8(wrongHost.Url("/g/index.html")));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    const QString text = "The page could not be loaded: certificate is for other.example, not 127.0.0.1";
    EXPECT_TRUE(windows.LogLines().contains(text)) << windows.LogLines().join('\n').toStdString();
    EXPECT_EQ(windows.Messages(), QStringList{text});
    EXPECT_EQ(form->List2->Count(), 0);
    EXPECT_EQ(wrongHost.RequestCount(), 0);

    // Enter in the box says the same, in the interface language.
    EnglishUI = 0;
    TypeAddress(QString::fromUtf8(wrongHost.Url("/g/index.html")));
    QTest::keyClick(form->Combo1->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(windows.LogLines().contains(
        QStringLiteral("Strani ni bilo mogoče naložiti: potrdilo velja za other.example, ne za 127.0.0.1")));
    EXPECT_EQ(wrongHost.RequestCount(), 0);
}

}  // namespace
