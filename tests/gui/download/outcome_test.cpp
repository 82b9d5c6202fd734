// What one download ends as, through the window: the folder holds exactly
// the files that came whole, error.log exactly the failed addresses, and
// only saved files count.
#include "download_fixture.h"

#include "base/errors.h"
#include "core/download/transfer_outcome.h"
#include "tests/support/test_helpers.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class OutcomeTest : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        EnglishUI = 1;
        form->HTTP2->TimeOut = 150;
    }
    QByteArray ErrorLog() const
    {
        QFile file(ProgramFile("error.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QByteArray Lines(const QList<QByteArray> &addresses)
    {
        QByteArray text;
        for (const QByteArray &address : addresses)
            text += address + "\r\n";
        return text;
    }
    int Count(const QString &prefix) const
    {
        int n = 0;
        for (const QString &line : LogLines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }
};

TEST_F(OutcomeTest, RefusedConnectionsAndFailedLookUpsAreLoggedAndRecordedOnce)
{
    RefusingPort refusing;
    ScriptedResolver resolver;  // knows no name: every look-up fails
    form->HTTP2->Resolver = &resolver;
    const QByteArray refused = "http://127.0.0.1:" + QByteArray::number(refusing.Port()) + "/a.jpg";
    form->HTTP2->Body = "a.jpg";
    form->ZDownloadaj(refused, 1);
    form->HTTP2->Body = "b.jpg";
    form->ZDownloadaj("http://nowhere.example/b.jpg", 1);
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(ErrorLog(), Lines({refused, "http://nowhere.example/b.jpg"}));
    EXPECT_EQ(form->Memo4, (QList<QByteArray>{refused, "http://nowhere.example/b.jpg"}));
    EXPECT_TRUE(LogLines().contains("File a.jpg was not saved: 10061:Connection refused"));
    EXPECT_EQ(Count("File b.jpg was not saved: "), 1);
    EXPECT_EQ(resolver.Names.size(), 1u) << "a failed look-up is not retried";
    EXPECT_EQ(RunPictureCount, 0);
}

TEST_F(OutcomeTest, SilentAndStallingServersTimeOutFiveTimesThenAreRecorded)
{
    const QList<QByteArray> paths{"/never-answer", "/stall-in-header", "/stall-in-body"};
    QList<QByteArray> addresses;
    for (const QByteArray &path : paths) {
        addresses << server.Url(path);
        Download(path, "pic.jpg");
    }
    EXPECT_EQ(server.RequestCount(), 15);
    EXPECT_EQ(Count("Timeout while downloading - trying again... "), 15);
    EXPECT_EQ(Count("File pic.jpg was not saved: no answer within the time-out"), 3);
    EXPECT_EQ(ErrorLog(), Lines(addresses));
    EXPECT_TRUE(Files().isEmpty()) << Files().join(' ').toStdString();
    EXPECT_EQ(RunPictureCount, 0);
}

TEST_F(OutcomeTest, ShortBodiesAreRetriedAndALongerBodyIsCutAtItsLength)
{
    Download("/length-too-long", "short.jpg");  // 1000 announced, 100 sent
    EXPECT_EQ(server.RequestCount(), 5);
    EXPECT_TRUE(LogLines().contains(
        "Transfer of short.jpg broken off (only 100 of 1000 bytes came) - trying again... 5"));
    EXPECT_TRUE(LogLines().contains("File short.jpg was not saved: only 100 of 1000 bytes came"));
    Download("/length-too-short", "long.jpg");  // 5 announced, 100 sent
    EXPECT_EQ(Files(), QStringList{"long.jpg"});
    EXPECT_EQ(Saved("long.jpg"), QByteArray("SSSSS"));
    EXPECT_EQ(ErrorLog(), Lines({server.Url("/length-too-long")}));
    EXPECT_EQ(RunPictureCount, 1);
}

TEST_F(OutcomeTest, ErrorStatusesAreRecordedWithTheirTextAndNotRetried)
{
    server.Route("/forbidden.jpg", FixtureResponse::Status(403, "Forbidden", {}, "<html>no</html>"));
    server.Route("/broken.jpg", FixtureResponse::Status(500, "Internal Server Error", {}, "oops"));
    server.Route("/moved.jpg", FixtureResponse::Redirect(302, server.Url("/not-found")));
    Download("/not-found", "a.jpg");
    Download("/forbidden.jpg", "b.jpg");
    Download("/broken.jpg", "c.jpg");
    Download("/moved.jpg", "d.jpg");
    Download("/no-status-line", "e.jpg");
    const QStringList log = LogLines();
    EXPECT_TRUE(log.contains("File a.jpg was not saved: the server answered 404 Not Found"));
    EXPECT_TRUE(log.contains("File b.jpg was not saved: the server answered 403 Forbidden"));
    EXPECT_TRUE(log.contains("File c.jpg was not saved: the server answered 500 Internal Server Error"));
    EXPECT_TRUE(log.contains("File d.jpg was not saved: the server answered 404 Not Found"));
    EXPECT_TRUE(log.contains("File e.jpg was not saved: an answer without a valid status line"));
    EXPECT_EQ(server.RequestCount(), 6);
    EXPECT_EQ(ErrorLog(), Lines({server.Url("/not-found"), server.Url("/forbidden.jpg"), server.Url("/broken.jpg"),
                                 server.Url("/moved.jpg"), server.Url("/no-status-line")}));
    EXPECT_TRUE(Files().isEmpty()) << Files().join(' ').toStdString();
    EXPECT_EQ(RunPictureCount, 0);
}

TEST_F(OutcomeTest, ARedirectWhoseAnswerHasABodySavesTheFinalBody)
{
    server.Route("/moved.jpg", FixtureResponse::Status(302, "Found", {"Location: " + server.Url("/final.jpg")},
                                                       "<html>moved</html>"));
    server.Route("/final.jpg", FixtureResponse::Ok("FINAL", "image/jpeg"));
    Download("/moved.jpg", "moved.jpg");
    EXPECT_EQ(Files(), QStringList{"moved.jpg"});
    EXPECT_EQ(Saved("moved.jpg"), QByteArray("FINAL"));
    EXPECT_EQ(RunPictureCount, 1);
    EXPECT_TRUE(ErrorLog().isEmpty());
}

TEST_F(OutcomeTest, AFileThatCannotBeCreatedSaysWhyAndIsRecorded)
{
    server.Route("/pic.jpg", FixtureResponse::Ok("JPEG", "image/jpeg"));
    const QByteArray longName = QByteArray(300, 'n') + ".jpg";
    Download("/pic.jpg", longName);
    ASSERT_TRUE(QDir().mkdir("dir.jpg"));
    Download("/pic.jpg", "dir.jpg");
    EXPECT_TRUE(LogLines().contains("File " + QString::fromUtf8(longName)
                                    + " was not saved: the file cannot be created: File name too long"));
    EXPECT_TRUE(LogLines().contains("File dir.jpg was not saved: the file cannot be created: Is a directory"));
    EXPECT_EQ(Files(), QStringList{}) << "no temporary file is left";
    EXPECT_EQ(ErrorLog(), Lines({server.Url("/pic.jpg"), server.Url("/pic.jpg")}));

    if (::geteuid() != 0) {  // the superuser writes into a read-only folder
        ASSERT_EQ(::chmod(".", 0555), 0);
        Download("/pic.jpg", "ro.jpg");
        ::chmod(".", 0755);
        EXPECT_TRUE(LogLines().contains("File ro.jpg was not saved: the file cannot be created: Permission denied"));
        EXPECT_EQ(ErrorLog().count('\n'), 3);
    }
    EXPECT_FALSE(LogLines().join('\n').contains("Forbidden character detected"));
    EXPECT_EQ(RunPictureCount, 0);
}

TEST_F(OutcomeTest, AnHtmlPageWhereTheLinkNamesAnotherTypeIsRefusedOnce)
{
    server.Route("/guard.jpg", FixtureResponse::Ok("\xEF\xBB\xBF \r\n\t<!DOCTYPE HTML><p>hotlinking</p>"));
    server.Route("/plain.gif", FixtureResponse::Ok("<HEAD><title>no</title></HEAD>", "image/gif"));
    server.Route("/odd.png", FixtureResponse::Ok("<svg>not judged</svg>", "image/png"));
    server.Route("/gallery.php", FixtureResponse::Ok("<html>a page</html>"));
    server.Route("/index.html", FixtureResponse::Ok("<html>a page</html>"));
    Download("/guard.jpg", "guard.jpg");
    Download("/plain.gif?size=2", "plain.gif_size=2");
    Download("/odd.png", "odd.png");
    Download("/gallery.php?id=3", "gallery.php_id=3");
    Download("/index.html", "index.html");
    EXPECT_EQ(Files(), (QStringList{"gallery.php_id=3", "index.html", "odd.png"}));
    EXPECT_EQ(Count("File guard.jpg was not saved: an HTML page came instead of the file"), 1);
    EXPECT_EQ(Count("File plain.gif_size=2 was not saved: an HTML page came instead of the file"), 1);
    EXPECT_EQ(server.RequestCount(), 5) << "an HTML page instead of a picture is not retried";
    EXPECT_EQ(ErrorLog(), Lines({server.Url("/guard.jpg"), server.Url("/plain.gif?size=2")}));
    EXPECT_EQ(RunPictureCount, 3);
}

TEST(TransferOutcome, OnlyTheFirstBytesOfAPageCountAsHtml)
{
    for (const char *page : {"<!doctype html>", "<HTML>", "<head>", "<Body>", "\xEF\xBB\xBF<html>",
                             " \r\n\t\f\v<html>"})
        EXPECT_TRUE(LooksLikeHtmlPage(page)) << page;
    for (const char *other : {"", "GIF89a<html>", "<?xml version=\"1.0\"?><html>", "<!doctype svg>",
                              "<htm", "x<html>", "\xEF\xBB<html>", "<!-- c --><html>"})
        EXPECT_FALSE(LooksLikeHtmlPage(other)) << other;
}

TEST(TransferOutcome, LinksMayAnswerWithAPageByTheirLastSegment)
{
    for (const char *page : {"http://h", "http://h/", "http://h/dir/", "http://h/a.htm", "http://h/a.HTML",
                             "http://h/a.shtml", "http://h/a.xhtml", "http://h/a.php?x=1.jpg", "http://h/a.asp",
                             "http://h/a.aspx", "http://h/a.jsp#top.png", "http://h/photo", "http://h.jpg/x",
                             "http://h/a.jpg/view", "http://h/a."})
        EXPECT_TRUE(LinkMayBeAPage(page)) << page;
    for (const char *file : {"http://h/a.jpg", "http://h/a.JPEG?x=1", "http://h/a.htm.gif", "http://h/a.png#x",
                             "http://h/a.mp4", "http://h/a.php.zip", "a.gif", "http://h/dir.php/a.bmp"})
        EXPECT_FALSE(LinkMayBeAPage(file)) << file;
}

TEST(TransferOutcome, TheStatusTextFollowsTheProtocolWord)
{
    EXPECT_EQ(StatusTextOf("HTTP/1.0 404 Not Found\r\nServer: x\r\n\r\n"), "404 Not Found");
    EXPECT_EQ(StatusTextOf("HTTP/1.1 500\r\n"), "500");
    EXPECT_EQ(StatusTextOf("junk\n"), "junk");
    EXPECT_EQ(StatusTextOf(""), "");
}

TEST_F(OutcomeTest, SloveneFailureLinesNameTheFileAndTheReason)
{
    EnglishUI = 0;
    Download("/not-found", "a.jpg");
    EXPECT_TRUE(LogLines().contains(
        QStringLiteral("Datoteke a.jpg ni bilo mogoče shraniti: strežnik je odgovoril 404 Not Found")));
    EXPECT_TRUE(LogLines().contains("Failed: " + QString::fromUtf8(server.Url("/not-found"))));
}

TEST_F(OutcomeTest, TheBodyStaysInAHiddenFileUntilItIsWhole)
{
    FixtureResponse slow = FixtureResponse::Ok(QByteArray(40, 'p'), "image/jpeg");
    slow.TrickleMs = 5;
    server.Route("/pic.jpg", slow);
    form->HTTP2->TimeOut = 5000;  // not a time-out test: a loaded machine may pause the trickle
    QStringList during;
    form->HTTP2->OnPacketRecvd = [&](TSocketConnection *) {
        if (during.isEmpty())
            during = Files();
    };
    Download("/pic.jpg", "pic.jpg");
    ASSERT_EQ(during.size(), 1);
    EXPECT_TRUE(QRegularExpression("^\\.grabulo-[A-Za-z0-9]{6}\\.part$").match(during[0]).hasMatch())
        << during[0].toStdString();
    EXPECT_EQ(Files(), QStringList{"pic.jpg"});
    EXPECT_EQ(Saved("pic.jpg"), QByteArray(40, 'p'));
    EXPECT_EQ(RunPictureCount, 1);
}

TEST_F(OutcomeTest, ANameTakenDuringTheTransferGetsTheNextNumberAndIsNeverReplaced)
{
    server.Route("/pic.jpg", FixtureResponse::Ok("NEW", "image/jpeg"));
    form->HTTP2->OnPacketRecvd = [&](TSocketConnection *) {
        windows.WriteFile("pic.jpg", "mine");
        windows.WriteFile("pic0001.jpg", "mine too");
    };
    Download("/pic.jpg", "pic.jpg");
    EXPECT_EQ(Files(), (QStringList{"pic.jpg", "pic0001.jpg", "pic0002.jpg"}));
    EXPECT_EQ(Saved("pic.jpg"), QByteArray("mine"));
    EXPECT_EQ(Saved("pic0002.jpg"), QByteArray("NEW"));
    EXPECT_TRUE(LogLines().contains("File name changed to: pic0002.jpg"));
    EXPECT_EQ(form->HTTP2->Body, QByteArray("pic0002.jpg"));
}

TEST_F(OutcomeTest, StopOrDisconnectDuringABodyLeavesNoFileAndRecordsNothing)
{
    FixtureResponse slow = FixtureResponse::Ok(QByteArray(400, 'p'), "image/jpeg");
    slow.TrickleMs = 5;
    server.Route("/pic.jpg", slow);
    form->HTTP2->TimeOut = 5000;
    QPushButton *button = nullptr;
    form->HTTP2->OnPacketRecvd = [&](TSocketConnection *) {
        if (form->HTTP2->BytesRecvd >= 10 && button)
            std::exchange(button, nullptr)->click();  // through the button's wiring
    };
    for (QPushButton *pressed : {form->Button18, form->Button1}) {  // Stop, Disconnect
        button = pressed;
        Download("/pic.jpg", "pic.jpg");
        EXPECT_TRUE(Files().isEmpty()) << Files().join(' ').toStdString();
    }
    EXPECT_EQ(Count("Socket send aborted"), 2);
    EXPECT_TRUE(ErrorLog().isEmpty());
    EXPECT_EQ(RunPictureCount, 0);
    EXPECT_EQ(server.RequestCount(), 2);
}

TEST_F(OutcomeTest, ClosingTheWindowDuringABodyLeavesNoFile)
{
    FixtureResponse slow = FixtureResponse::Ok(QByteArray(400, 'p'), "image/jpeg");
    slow.TrickleMs = 5;
    server.Route("/pic.jpg", slow);
    form->HTTP2->TimeOut = 5000;
    bool closed = false;
    form->HTTP2->OnPacketRecvd = [&](TSocketConnection *) {
        if (form->HTTP2->BytesRecvd >= 10 && !std::exchange(closed, true))
            form->close();
    };
    Download("/pic.jpg", "pic.jpg");
    EXPECT_TRUE(closed);
    EXPECT_TRUE(Files().isEmpty()) << Files().join(' ').toStdString();
    EXPECT_TRUE(ErrorLog().isEmpty());
    EXPECT_EQ(RunPictureCount, 0);
}

TEST_F(OutcomeTest, ABatchSavesTheGoodFilesAndRecordsTheRest)
{
    server.Route("/p/a.jpg", FixtureResponse::Ok("data of a", "image/jpeg"));
    server.Route("/p/c.jpg", FixtureResponse::Ok("data of c", "image/jpeg"));
    const QByteArray missing = server.Url("/p/b.jpg");  // not routed: 404
    form->Edit13->setText("0");
    form->List2->SetItems({server.Url("/p/a.jpg"), missing, server.Url("/p/c.jpg")});
    form->List2->SelectAll();
    form->Button4->click();
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "c.jpg"}));
    EXPECT_EQ(ErrorLog(), Lines({missing}));
    EXPECT_EQ(RunPictureCount, 2);
}

}  // namespace
