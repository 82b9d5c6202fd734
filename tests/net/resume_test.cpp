// THttpClient resuming a file against the fixture server: the request
// bytes, a continuing 206 added to the part, a whole answer written over
// it, and every answer or file that must leave the part as it was; over
// keep-alive, TLS and redirects.
#include "net/http_client.h"
#include "net/resume_errors.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_environment.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kAccepts =
    "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
    "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n";

// 5000 bytes that differ from place to place, so a part at the wrong
// offset never passes for the right one.
QByteArray Whole()
{
    QByteArray bytes(5000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xff);
    return bytes;
}

void WriteFile(const QByteArray &path, const QByteArray &bytes)
{
    QFile file(QString::fromUtf8(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class ResumeTest : public ::testing::Test {
protected:
    ResumeTest()
    {
        http.TimeOut = 10000;
        http.InputFileMode = true;
        http.CreateNewFiles = true;  // as the download's client: resuming must not need it off
        http.Body = testenv::NewFolder("resume").toUtf8() + "/picture.jpg";
        file.Body = whole;
        server.Route("/file", file);
    }

    // The first `from` bytes in the file, then a resumed Get of path.
    void ResumeFrom(qint64 from, const QByteArray &path = "/file", const QByteArray &validator = "\"v1\"")
    {
        WriteFile(http.Body, whole.left(from));
        http.ResumeFrom = from;
        http.ResumeValidator = validator;
        http.Get(server.Url(path));
    }

    // Resumes from 1000 under validator against /file served as given (a
    // range file or a fixed response); the English text of the EResumeError
    // raised. The part must be untouched afterwards.
    template <class Served>
    QString FailureWith(const Served &served, const QByteArray &validator = "\"v1\"")
    {
        server.Route("/file", served);
        WriteFile(http.Body, whole.left(1000));
        http.ResumeFrom = 1000;
        http.ResumeValidator = validator;
        const QString message = ThrownMessage<EResumeError>([&] { http.Get(server.Url("/file")); });
        EXPECT_EQ(FileBytes(http.Body), whole.left(1000)) << "the part is as it was";
        EXPECT_FALSE(http.Resumed);
        return message;
    }

    const QByteArray whole = Whole();
    FixtureRangeFile file;
    FixtureHttpServer server;
    THttpClient http;
};

}  // namespace

TEST_F(ResumeTest, TheRequestAsksForTheRestUnderIfRangeOnlyWhenResuming)
{
    const QByteArray start = "GET /file HTTP/1.0\r\nHost: 127.0.0.1\r\n" + kAccepts;
    const QByteArray end = "Content-type: application/x-www-form-urlencoded\r\n\r\n";
    http.Get(server.Url("/file"));
    EXPECT_EQ(server.LastRequest(), start + end) << "not resuming: the bytes as ever";

    ResumeFrom(1000);
    EXPECT_EQ(server.LastRequest(), start + "Range: bytes=1000-\r\nIf-Range: \"v1\"\r\n" + end);
    EXPECT_EQ(http.ResumeFrom, -1) << "taken by the request";
    EXPECT_TRUE(http.ResumeValidator.isEmpty());

    ::unlink(http.Body.constData());
    http.Get(server.Url("/file"));
    EXPECT_EQ(server.LastRequest(), start + end) << "the next request resumes nothing";

    // No usable validator: no range (a part of a changed file would be
    // spliced on), so the whole file comes and replaces the part.
    for (const QByteArray &validator : {QByteArray(), QByteArray("W/\"v1\""), QByteArray("\"v1\"\r\nX: y")}) {
        ResumeFrom(1000, "/file", validator);
        EXPECT_EQ(server.LastRequest(), start + end) << validator.constData();
        EXPECT_EQ(FileBytes(http.Body), whole);
        EXPECT_FALSE(http.Resumed);
    }
    // A page in memory is never resumed.
    http.InputFileMode = false;
    http.ResumeFrom = 1000;
    http.ResumeValidator = "\"v1\"";
    http.Get(server.Url("/file"));
    EXPECT_EQ(server.LastRequest(), start + end);
    EXPECT_EQ(http.Body, whole);
}

TEST_F(ResumeTest, AContinuingPartIsAddedAndTheFileEndsWhole)
{
    ResumeFrom(1000);
    EXPECT_EQ(http.ReplyNumber, 206);
    EXPECT_TRUE(http.Resumed);
    EXPECT_EQ(FileBytes(http.Body), whole);
    EXPECT_EQ(http.BytesRecvd, 4000);
    EXPECT_EQ(http.ContentLength, 4000);
    EXPECT_EQ(http.CompleteLength, 5000);

    // By the date when there is no tag; a complete length of "*".
    file.ETag.clear();
    file.LastModified = "Sun, 06 Nov 1994 08:49:37 GMT";
    file.ContentRange = "bytes 4999-4999/*";
    server.Route("/file", file);
    ResumeFrom(4999, "/file", file.LastModified);
    EXPECT_TRUE(server.LastRequest().contains("\r\nIf-Range: Sun, 06 Nov 1994 08:49:37 GMT\r\n"));
    EXPECT_EQ(FileBytes(http.Body), whole);
    EXPECT_EQ(http.CompleteLength, -1);
}

TEST_F(ResumeTest, ATransferBrokenOffResumesWithTheValidatorOfItsOwnAnswer)
{
    for (const bool byDate : {false, true}) {
        SCOPED_TRACE(byDate);
        FixtureRangeFile served = file;
        if (byDate) {
            served.ETag = "W/\"weak\"";
            served.LastModified = "Sun, 06 Nov 1994 08:49:37 GMT";
        }
        server.Route("/broken", [served](const QByteArray &request) {
            FixtureResponse response = served.Answer(request);
            if (!request.contains("\r\nRange:"))
                response.CloseAfter = response.Head.size() + 1500;
            return response;
        });
        ::unlink(http.Body.constData());
        http.Get(server.Url("/broken"));
        ASSERT_EQ(http.BytesRecvd, 1500);
        ASSERT_EQ(http.ContentLength, 5000);
        http.ResumeFrom = http.BytesRecvd;
        http.ResumeValidator = ResumeValidatorOf(http.Header);
        EXPECT_EQ(http.ResumeValidator, byDate ? served.LastModified : "\"v1\"");
        http.Get(server.Url("/broken"));
        EXPECT_TRUE(http.Resumed);
        EXPECT_EQ(FileBytes(http.Body), whole);
    }
}

TEST_F(ResumeTest, AWholeAnswerIsWrittenOverThePartFromTheStart)
{
    file.IgnoreRanges = true;
    server.Route("/file", file);
    ResumeFrom(1000);
    EXPECT_EQ(http.ReplyNumber, 200);
    EXPECT_FALSE(http.Resumed);
    EXPECT_EQ(FileBytes(http.Body), whole);
    EXPECT_EQ(http.BytesRecvd, 5000);

    // The file has changed: the server ignores the range under If-Range
    // and sends the new one whole, shorter than the old part.
    file.IgnoreRanges = false;
    file.ETag = "\"v2\"";
    file.Body = "new";
    server.Route("/file", file);
    ResumeFrom(1000);
    EXPECT_EQ(http.ReplyNumber, 200);
    EXPECT_FALSE(http.Resumed);
    EXPECT_EQ(FileBytes(http.Body), "new") << "emptied first: nothing of the old part is left";
}

TEST_F(ResumeTest, APartThatDoesNotContinueTheFileFailsAndLeavesItAsItWas)
{
    FixtureRangeFile served = file;
    served.ShiftStart = -1000;  // from the start
    EXPECT_EQ(FailureWith(served), "the server sent a part that does not continue the file at byte 1000 "
                                   "(Content-Range: bytes 0-4999/5000)");
    served.ShiftStart = 1;
    EXPECT_TRUE(FailureWith(served).contains("(Content-Range: bytes 1001-4999/5000)"));

    served = file;
    for (const QByteArray &broken : {QByteArray("bytes 1000-999/5000"), QByteArray("bytes 1000-5000/5000"),
                                     QByteArray("bytes=1000-4999/5000"), QByteArray("bytes 1000-4999")}) {
        served.ContentRange = broken;
        EXPECT_EQ(FailureWith(served), "the server's partial answer has no readable Content-Range (" + broken + ")");
    }
    served.ContentRange = "bytes 1000-1999/5000";  // 1000 bytes, but Content-Length says 4000
    EXPECT_EQ(FailureWith(served), "the length of the partial answer (4000 bytes) disagrees with its range (1000 bytes)");
    // Several ranges in one answer: no Content-Range line at all.
    EXPECT_EQ(FailureWith(FixtureResponse::Status(206, "Partial Content",
                                                  {"Content-Type: multipart/byteranges; boundary=x",
                                                   "Content-Length: 4"}, "--x\n")),
              "the server's partial answer has no readable Content-Range ()");

    // A 206 to a request that asked for no range (no validator).
    EXPECT_EQ(FailureWith(FixtureResponse::Status(206, "Partial Content",
                                                  {"Content-Range: bytes 1000-1001/5000", "Content-Length: 2"}, "xx"),
                          QByteArray()),
              "the server sent a partial answer that was not asked for");
}

TEST_F(ResumeTest, APartThatIsNotExactlyTheFileStartedIsNeverContinued)
{
    WriteFile(http.Body, whole.left(999));
    http.ResumeFrom = 1000;
    http.ResumeValidator = "\"v1\"";
    EXPECT_EQ(ThrownMessage<EResumeError>([&] { http.Get(server.Url("/file")); }),
              "the partly transferred file holds 999 bytes, not 1000: it has changed meanwhile");
    EXPECT_EQ(FileBytes(http.Body), whole.left(999));
    EXPECT_FALSE(http.Resumed);
    EXPECT_FALSE(http.Connected);

    // A link in its place is never followed, a file with a second name is
    // never written through it, a folder is no file, and a file that is gone
    // is not made up.
    const QByteArray folder = testenv::NewFolder("resume-odd").toUtf8();
    const QByteArray target = folder + "/elsewhere.jpg";
    WriteFile(target, whole.left(1000));
    ASSERT_EQ(::symlink(target.constData(), (folder + "/link.jpg").constData()), 0);
    ASSERT_EQ(::mkdir((folder + "/dir.jpg").constData(), 0700), 0);
    ASSERT_EQ(::link(target.constData(), (folder + "/second-name.jpg").constData()), 0);
    const QList<std::pair<QByteArray, QString>> odd{{"/link.jpg", "Too many levels of symbolic links"},
                                                    {"/dir.jpg", "Is a directory"},
                                                    {"/second-name.jpg", "The file has more than one name"},
                                                    {"/gone.jpg", "No such file or directory"}};
    for (const auto &[name, reason] : odd) {
        http.Body = folder + name;
        http.ResumeFrom = 1000;
        http.ResumeValidator = "\"v1\"";
        const QString message = ThrownMessage<EFOpenError>([&] { http.Get(server.Url("/file")); });
        EXPECT_TRUE(message.startsWith("Cannot open file")) << qPrintable(message);
        EXPECT_TRUE(message.endsWith(reason)) << qPrintable(message);
    }
    EXPECT_EQ(FileBytes(target), whole.left(1000));
    EXPECT_FALSE(QFile::exists(QString::fromUtf8(folder + "/gone.jpg")));
}

TEST_F(ResumeTest, AnyOtherAnswerLeavesThePartAsItWas)
{
    server.Route("/file", FixtureResponse::Status(416, "Range Not Satisfiable", {"Content-Range: bytes */1000",
                                                                                   "Content-Length: 9"}, "no range!"));
    QList<QByteArray> events;
    http.OnFailure = [&](THttpClient *, CmdType) { events << "Failure"; };
    ResumeFrom(1000);
    EXPECT_EQ(http.ReplyNumber, 416);
    EXPECT_EQ(events, QList<QByteArray>{"Failure"});
    EXPECT_EQ(FileBytes(http.Body), whole.left(1000)) << "an error page is not the file";
    EXPECT_FALSE(http.Resumed);
    for (const char *path : {"/not-found", "/junk-status-line", "/no-status-line"}) {
        ResumeFrom(1000, path);
        EXPECT_EQ(FileBytes(http.Body), whole.left(1000)) << path;
    }
}

TEST_F(ResumeTest, ARedirectKeepsTheRangeOnlyOnItsOrigin)
{
    server.Route("/moved", FixtureResponse::Redirect(302, "/file"));
    ResumeFrom(1000, "/moved");
    EXPECT_TRUE(http.Resumed) << "the same server: still asked for the rest";
    EXPECT_EQ(FileBytes(http.Body), whole);

    FixtureHttpServer other;
    other.Route("/file", file);
    server.Route("/away", FixtureResponse::Redirect(302, other.Url("/file")));
    ResumeFrom(1000, "/away");
    EXPECT_FALSE(other.LastRequest().contains("Range")) << other.LastRequest().constData();
    EXPECT_FALSE(http.Resumed);
    EXPECT_EQ(FileBytes(http.Body), whole) << "the whole file from the other server replaces the part";
}

TEST_F(ResumeTest, OverAKeptConnectionByLengthAndByChunks)
{
    http.KeepAlive = true;
    file.KeepOpen = true;
    server.Route("/file", file);
    ResumeFrom(1000);
    EXPECT_EQ(FileBytes(http.Body), whole);
    file.Chunked = true;
    server.Route("/chunked", file);
    ResumeFrom(2500, "/chunked");
    EXPECT_TRUE(http.Resumed);
    EXPECT_EQ(FileBytes(http.Body), whole);
    EXPECT_EQ(http.BytesRecvd, 2500);
    // A failure before the body ends the kept connection; the next request
    // gets a new one and works.
    server.Route("/wrong", [&](const QByteArray &request) {
        FixtureRangeFile wrong = file;
        wrong.ShiftStart = 5;
        return wrong.Answer(request);
    });
    EXPECT_THROW(ResumeFrom(1000, "/wrong"), EResumeError);
    EXPECT_FALSE(http.Connected);
    ResumeFrom(4000);
    EXPECT_EQ(FileBytes(http.Body), whole);
    EXPECT_EQ(server.ConnectionCount(), 2);
    EXPECT_TRUE(http.Connected);
}

TEST_F(ResumeTest, AChunkedPartLongerThanItsRangeStopsAtTheRangesEnd)
{
    http.KeepAlive = true;
    file.KeepOpen = true;
    file.Chunked = true;
    file.ContentRange = "bytes 1000-1499/5000";  // 500 bytes, then 3500 more come
    server.Route("/file", file);
    EXPECT_THROW(ResumeFrom(1000), EResumeError);
    EXPECT_EQ(FileBytes(http.Body), whole.left(1500)) << "the range's bytes, not one more";
    EXPECT_TRUE(http.Resumed) << "the file grew";
}

TEST(ResumeTls, AKeptTlsConnectionResumesLikeAPlainOne)
{
    ScopedTrustedCa trusted(SharedCertificates().CaFile());
    FixtureHttpServer tls{TlsIdentity()};
    FixtureRangeFile file;
    file.Body = Whole();
    file.KeepOpen = true;
    tls.Route("/file", file);
    THttpClient http;
    http.TimeOut = 10000;
    http.KeepAlive = true;
    http.InputFileMode = true;
    http.Body = testenv::NewFolder("resume-tls").toUtf8() + "/picture.jpg";
    for (const qint64 from : {1000, 3000}) {
        WriteFile(http.Body, file.Body.left(from));
        http.ResumeFrom = from;
        http.ResumeValidator = "\"v1\"";
        http.Get(tls.Url("/file"));
        EXPECT_TRUE(http.Resumed);
        EXPECT_EQ(FileBytes(http.Body), file.Body);
    }
    EXPECT_EQ(tls.HandshakeCount(), 1);
}

// A 206 is the file only as the rest we asked for: from where we asked and
// with the complete length we remember; else it fails before a byte is
// written, and a plain GET never saves one as the whole file.
TEST_F(ResumeTest, A206IsTakenOnlyAsTheRestAskedForWithTheRememberedTotal)
{
    const QString notAsked = "the server sent a partial answer that was not asked for";
    const struct {
        bool keepAlive;
        qint64 from;           // 0: a plain GET
        qint64 total;          // ResumeTotal
        QByteArray contentRange;  // not empty: the server's instead of the right one
        QString failure;       // empty: the file ends whole
        bool chunked = false;  // the 206 in chunks
    } cases[] = {
        {false, 0, -1, "", notAsked},
        {true, 0, -1, "", notAsked},
        {false, 1000, 5000, "bytes 1001-4999/5000",
         "the server sent a part that does not continue the file at byte 1000 (Content-Range: bytes 1001-4999/5000)"},
        {false, 1000, 6000, "", "the complete length of the file has changed from 6000 to 5000 bytes"},
        {true, 1000, 4999, "", "the complete length of the file has changed from 4999 to 5000 bytes"},
        {false, 1000, 5000, "bytes 1000-4999/*",
         "the server no longer gives the complete length of the file (it was 5000 bytes)"},
        {false, 1000, 5000, "", ""},
        {true, 1000, 5000, "", ""},
        {false, 1000, -1, "", ""},
        {false, 1000, 5000, "", "", true},  // chunks without keep-alive: no chunk line reaches the file
        {false, 0, -1, "", notAsked, true},
        {true, 0, -1, "", notAsked, true},
    };
    const FixtureResponse plain206 = FixtureResponse::Status(
        206, "Partial Content", {"Content-Range: bytes 0-4/5000", "Content-Length: 5"}, whole.left(5));
    const FixtureResponse chunked206 = FixtureResponse::Status(
        206, "Partial Content", {"Content-Range: bytes 0-4/5000", "Transfer-Encoding: chunked"},
        "5\r\n" + whole.left(5) + "\r\n0\r\n\r\n");
    int n = 0;
    for (const auto &c : cases) {
        http.Body = testenv::NewFolder("resume206").toUtf8() + "/case" + QByteArray::number(++n);
        http.Disconnect();  // a connection kept by the case before
        http.KeepAlive = c.keepAlive;
        FixtureRangeFile served = file;
        served.ContentRange = c.contentRange;
        served.KeepOpen = c.keepAlive;
        served.Chunked = c.chunked;
        if (c.from == 0)
            server.Route("/file", c.chunked ? chunked206 : plain206);
        else
            server.Route("/file", served);
        if (c.from > 0)
            WriteFile(http.Body, whole.left(c.from));
        http.ResumeFrom = c.from;
        http.ResumeValidator = "\"v1\"";
        http.ResumeTotal = c.total;
        const QString failure = ThrownMessage<EResumeError>([&] { http.Get(server.Url("/file")); });
        EXPECT_EQ(http.ResumeTotal, -1) << "taken by the request";
        if (c.failure.isEmpty()) {
            EXPECT_EQ(failure, "<nothing raised>") << n;
            EXPECT_EQ(FileBytes(http.Body), whole) << n;
            EXPECT_TRUE(http.Resumed) << n;
            continue;
        }
        EXPECT_EQ(failure, c.failure) << n;
        EXPECT_FALSE(http.Resumed);
        if (c.from == 0)
            EXPECT_FALSE(QFile::exists(QString::fromUtf8(http.Body))) << "a plain GET saves no part as the file";
        else
            EXPECT_EQ(FileBytes(http.Body), whole.left(c.from)) << n;
    }
}
