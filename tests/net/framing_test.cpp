// How an answer is framed, as data: the bytes a server sends for a file
// and what the client makes of them (status, failure, the saved bytes,
// whether the connection serves the next request), once per request
// (HTTP/1.0) and on a kept connection, plain and over TLS. Interim
// answers, headers cut short, Content-Length values, chunks against a
// length, bytes left over after an answer. Each case is followed by a
// second file, which must get its own bytes: with KeepAlive an interim
// answer taken as final used to leave the real answer on the connection,
// and every later file got the bytes of the file before it.
#include "net/address_errors.h"
#include "net/answer_errors.h"
#include "net/http_client.h"
#include "net/response_header.h"
#include "net/tls_errors.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>

namespace {

const QByteArray kOk = "HTTP/1.1 200 OK\r\n";
const QByteArray kHello = "Content-Length: 5\r\n\r\nhello";
const QByteArray kChunks = "5\r\nhel\r\n\r\n0\r\n\r\n";  // "hel\r\n", a body that looks like framing
const QByteArray kInterimForEver = [] {
    QByteArray bytes;
    for (int i = 0; i < THttpClient::kMaxHeaderLines; ++i)
        bytes += "HTTP/1.1 100 Continue\r\n\r\n";
    return bytes;
}();

struct FramingCase {
    const char *name;
    QByteArray sent;     // the server's bytes
    bool closes;         // then it closes, also on a kept connection (else only for HTTP/1.0)
    int status;          // ReplyNumber after the request
    QString error;       // the message of the ESockError raised; empty: none
    bool brokenOff;      // what IsBrokenOff says of it
    QByteArray saved;    // the file's bytes; kNoFile when no file was made
    bool reused;         // with KeepAlive, whether the next request shares the connection
};

const FramingCase kCases[] = {
    {"Plain", kOk + kHello, false, 200, {}, false, "hello", true},
    {"EarlyHints", "HTTP/1.1 103 Early Hints\r\nLink: </a.css>; rel=preload\r\n\r\n" + kOk + kHello, false, 200, {}, false,
     "hello", true},
    {"ContinueThenHints", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </b>\r\n\r\n" + kOk + kHello, false,
     200, {}, false, "hello", true},
    {"InterimOfHttp10", "HTTP/1.0 100 Continue\n\n" + kOk + kHello, false, 200, {}, false, "hello", true},
    {"InterimWithoutEnd", kInterimForEver + kOk + kHello, false, 0, kHeaderBlockTooLong, false, kNoFile, false},
    {"SwitchingProtocols", "HTTP/1.1 101 Switching Protocols\r\nUpgrade: h2c\r\n\r\n" + kOk + kHello, false, 0,
     kUnaskedProtocolSwitch, false, kNoFile, false},
    {"ClosedAfterInterim", "HTTP/1.1 100 Continue\r\n\r\n", true, 0, kHeaderCutShort, true, kNoFile, false},
    {"ClosedInsideInterim", "HTTP/1.1 103 Early Hints\r\nLink: </a.css>\r\n", true, 0, kHeaderCutShort, true, kNoFile,
     false},
    {"ClosedAfterStatusLine", kOk, true, 200, kHeaderCutShort, true, kNoFile, false},
    {"ClosedInsideStatusLine", "HTTP/1.1 200 O", true, 0, kHeaderCutShort, true, kNoFile, false},
    {"ClosedAfterHeaderLine", kOk + "Content-Length: 5\r\n", true, 200, kHeaderCutShort, true, kNoFile, false},
    {"ClosedInsideHeaderLine", kOk + "Content-Le", true, 200, kHeaderCutShort, true, kNoFile, false},
    {"NegativeLength", kOk + "Content-Length: -5\r\n\r\nhello", false, 200, "Invalid Content-Length: -5", false, kNoFile,
     false},
    {"ThousandsSeparator", kOk + "Content-Length: 1,3111\r\n\r\nhello", false, 200, "Invalid Content-Length: 1,3111", false,
     kNoFile, false},
    {"PastSixtyThreeBits", kOk + "Content-Length: 9223372036854775808\r\n\r\nhello", false, 200,
     "Invalid Content-Length: 9223372036854775808", false, kNoFile, false},
    {"Letters", kOk + "Content-Length: none\r\n\r\nhello", false, 200, "Invalid Content-Length: none", false, kNoFile, false},
    {"Empty", kOk + "Content-Length:\r\n\r\nhello", false, 200, "Invalid Content-Length: ", false, kNoFile, false},
    {"TwoValuesOnOneLine", kOk + "Content-Length: 5, 6\r\n\r\nhello", false, 200, "Invalid Content-Length: 5, 6", false,
     kNoFile, false},
    {"TwoValuesOnTwoLines", kOk + "Content-Length: 5\r\ncontent-length: 6\r\n\r\nhello", false, 200,
     "Invalid Content-Length: 5, 6", false, kNoFile, false},
    {"ControlBytesEscaped", kOk + "Content-Length: 5\x1b[2J\r\n\r\nhello", false, 200,
     "Invalid Content-Length: 5\\x1b[2J", false, kNoFile, false},
    {"SameValueTwiceOnOneLine", kOk + "Content-Length: 5, 5\r\n\r\nhello", false, 200, {}, false, "hello", true},
    {"SameValueOnTwoLines", kOk + "Content-Length: 5\r\nContent-Length: 05\r\n" + kHello.mid(19), false, 200, {}, false,
     "hello", true},
    {"Chunked", kOk + "Transfer-Encoding: chunked\r\n\r\n" + kChunks, false, 200, {}, false, "hel\r\n", true},
    {"ChunkedOverLength", kOk + "Content-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n" + kChunks, false, 200, {}, false,
     "hel\r\n", false},
    {"ChunkedOverInvalidLength", kOk + "Transfer-Encoding: gzip, chunked\r\nContent-Length: -1\r\n\r\n" + kChunks, false, 200,
     {}, false, "hel\r\n", false},
    {"JunkHeldAfterTheBody", kOk + kHello + "JUNK", false, 200, {}, false, "hello", false},
    {"LineEndHeldAfterTheBody", kOk + kHello + "\r\n", false, 200, {}, false, "hello", false},
    {"NothingAtAll", "", true, 0, {}, false, "", false},
};

// A failing case names itself, not its bytes.
void PrintTo(const FramingCase &c, std::ostream *os)
{
    *os << c.name;
}

enum class Mode { OnePerRequest, Kept, KeptTls };

class FramingTest : public ::testing::TestWithParam<std::tuple<FramingCase, Mode>> {
protected:
    FramingTest()
    {
        if (mode() == Mode::KeptTls)
            server.emplace(TlsIdentity());
        else
            server.emplace();
        http.TimeOut = 10000;
        http.KeepAlive = mode() != Mode::OnePerRequest;
        http.InputFileMode = true;
        const FramingCase &c = std::get<0>(GetParam());
        const bool kept = mode() != Mode::OnePerRequest && !c.closes;
        server->Route("/file", kept ? FixtureResponse::KeptRaw(c.sent) : FixtureResponse::Raw(c.sent));
        server->Route("/next", FixtureResponse::KeptOk("next"));
    }

    Mode mode() const { return std::get<1>(GetParam()); }

    // The failure of a Get into path: its message and whether it is broken off.
    std::optional<std::pair<QString, bool>> GetInto(const QString &path, const QByteArray &target)
    {
        http.Body = path.toUtf8();
        try {
            http.Get(server->Url(target));
        } catch (const ESockError &e) {
            return std::pair(e.Message(), IsBrokenOff(e));
        }
        return std::nullopt;
    }

    ScopedTrustedCa trusted{SharedCertificates().CaFile()};
    std::optional<FixtureHttpServer> server;
    THttpClient http;
};

}  // namespace

TEST_P(FramingTest, TheAnswerIsReadAsItsFramingSaysAndTheNextFileGetsItsOwnBytes)
{
    const FramingCase &c = std::get<0>(GetParam());
    const QString folder = testenv::NewFolder("framing");
    const auto failure = GetInto(folder + "/file.bin", "/file");
    EXPECT_EQ(failure ? failure->first : QString(), c.error);
    EXPECT_EQ(failure && failure->second, c.brokenOff);
    EXPECT_EQ(http.ReplyNumber, c.status);
    EXPECT_EQ(FileBytes(folder + "/file.bin"), c.saved);
    if (c.status == 200 && c.error.isEmpty()) {
        EXPECT_TRUE(http.Header.startsWith(kOk)) << "the header is the final answer's alone";
    }

    EXPECT_FALSE(GetInto(folder + "/next.bin", "/next").has_value());
    EXPECT_EQ(FileBytes(folder + "/next.bin"), "next");
    EXPECT_EQ(http.ReplyNumber, 200);
    if (mode() != Mode::OnePerRequest) {
        EXPECT_EQ(server->ConnectionCount(), c.reused ? 1 : 2);
    }
    EXPECT_EQ(server->RequestCount(), 2) << "no request went where no answer could come";
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<FramingCase, Mode>> &info)
{
    static const char *const kModes[] = {"OnePerRequest", "Kept", "KeptTls"};
    return std::string(std::get<0>(info.param).name) + kModes[int(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Answers, FramingTest,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(Mode::OnePerRequest, Mode::Kept, Mode::KeptTls)),
                         CaseName);

TEST(ContentLengthValue, OneNonNegativeDecimalNumberRepeatedAtMost)
{
    const std::pair<const char *, qint64> cases[] = {
        {"0", 0}, {"1234", 1234}, {" 007 ", 7}, {"5, 5", 5}, {"5,5,5", 5}, {"9223372036854775807", INT64_MAX},
        {"", -1}, {"-5", -1}, {"+5", -1}, {"1,3111", -1}, {"5, 6", -1}, {"5,", -1}, {"x99", -1}, {"none", -1},
        {"0x10", -1}, {"1 2", -1}, {"9223372036854775808", -1}, {"99999999999999999999999", -1},
    };
    for (const auto &[value, length] : cases)
        EXPECT_EQ(ContentLengthOf(value).value_or(-1), length) << value;
    EXPECT_EQ(ParseHeaderLine("content-length:\t1234\r\n").Length, 1234);
    EXPECT_EQ(ParseHeaderLine("Content-Length: 1,3111\r\n").Text, "1,3111");
    EXPECT_EQ(ParseHeaderLine("Content-Length: x99\r\n").Length, -1);
    EXPECT_EQ(InvalidContentLengthText(QByteArray(300, '7')), kInvalidContentLength + QString(100, '7'));
    EXPECT_EQ(InvalidContentLengthText("\xff\n"), kInvalidContentLength + QStringLiteral("\\xff\\x0a"));
}

TEST(ContentLengthValue, OnlyAnHttpStatusLineBeginsAHeader)
{
    EXPECT_TRUE(IsHttpStatusLine("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(IsHttpStatusLine("HTTP/1.0 2"));
    for (const char *line : {"", "\r\n", "http/1.1 200 OK\r\n", " HTTP/1.1 200\r\n", "HTTP1.1 200", "JUNK\r\n"})
        EXPECT_FALSE(IsHttpStatusLine(line)) << line;
}

// The answer to HEAD says what a GET would get, chunks included, and has
// no body: nothing is decoded, whether the server closes or keeps the
// connection.
TEST(HeadFraming, AChunkedAnswerToHeadHasNoBody)
{
    FixtureHttpServer server;
    server.Route("/head", FixtureResponse::KeptRaw(kOk + "Transfer-Encoding: chunked\r\n\r\n"));
    server.Route("/closing", FixtureResponse::Raw(kOk + "Transfer-Encoding: chunked\r\n\r\n"));
    const std::pair<bool, const char *> requests[] = {{false, "/closing"}, {true, "/closing"}, {true, "/head"}};
    for (const auto &[kept, path] : requests) {
        THttpClient http;
        http.TimeOut = 10000;
        http.KeepAlive = kept;
        http.Body = "old";
        http.Head(server.Url(path));
        EXPECT_EQ(http.ReplyNumber, 200) << path;
        EXPECT_EQ(http.Body, "") << path;
    }
}

// What the log says of a broken answer, in either language.
TEST(AnswerFailure, TheTextsComeInTheInterfaceLanguage)
{
    const struct {
        QString message;
        QString english, slovene;
    } cases[] = {
        {kHeaderCutShort, "The answer ended inside its header", "odgovor se je končal sredi glave"},
        {InvalidContentLengthText("-5"), "Invalid Content-Length: -5", "neveljaven Content-Length: -5"},
        {kUnaskedProtocolSwitch, "The server switched protocols unasked", "strežnik je nezahtevano zamenjal protokol"},
        {QString(kTransferTooSlow).arg(7), "Fewer than 1024 bytes in 7 s", TransferTooSlowText(7, false)},
        {"Connection reset by peer", "Connection reset by peer", "Connection reset by peer"},
    };
    for (const auto &c : cases) {
        const ESockError e(c.message);
        EXPECT_EQ(AnswerFailureText(e, 7, true), c.english);
        EXPECT_EQ(AnswerFailureText(e, 7, false), c.slovene);
    }
    EXPECT_NE(TransferTooSlowText(7, false), TransferTooSlowText(7, true));
    const EAddressError address(true, AddressProblem::NotHttp, "file:///etc/passwd", "file");
    EXPECT_EQ(AnswerFailureText(address, 0, false), AddressProblemText(address, false));
    EXPECT_EQ(AnswerFailureText(address, 0, true), address.Message());
}
