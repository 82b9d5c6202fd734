// The address splitter and the response header reader, without a network.
#include "base/errors.h"
#include "net/response_header.h"
#include "net/url_splitter.h"
#include "tests/net/net_test_support.h"

#include <gtest/gtest.h>

namespace {

TUrlTarget Split(QByteArray &url, TUrlTarget before = {})
{
    SplitUrl(url, before);
    return before;
}

}  // namespace

// Each address split on top of a previous target. The scheme chooses the
// port and https is secure; without a colon the port and the scheme stay
// from before, and a relative path keeps the host; a missing path becomes
// "/" and is appended; long paths are kept whole.
TEST(SplitUrl, HostPortPathAndSchemeOfEachAddress)
{
    const QByteArray longPath = "/" + QByteArray(600, 'p');
    const struct {
        QByteArray url;
        TUrlTarget before, split;
        QByteArray urlAfter;  // null: the url as given
    } rows[] = {
        {"http://www.example.com/a/b.jpg", {}, {"www.example.com", 80, "/a/b.jpg"}, {}},
        {"http://host:8080/x?y=1", {}, {"host", 8080, "/x?y=1"}, {}},
        {"ftp://files/f", {}, {"files", 21, "/f"}, {}},
        {"Gopher://g/", {}, {"g", 70, "/"}, {}},
        {"http://host", {}, {"host", 80, "/"}, "http://host/"},
        {"http://host/", {}, {"host", 80, "/"}, {}},
        {"host/path", {"old", 8080, "/"}, {"host", 8080, "/path"}, {}},
        {"/other", {"old", 81, "/"}, {"old", 81, "/other"}, {}},
        {"host:81/p", {}, {"host", 81, "/p"}, {}},  // a host with a port and no scheme
        {"http://host" + longPath, {}, {"host", 80, longPath}, {}},
        {"HTTPS://secure/a", {}, {"secure", 443, "/a", true}, {}},
        {"https://secure:8443/a", {}, {"secure", 8443, "/a", true}, {}},
        // Any other scheme, or a host with a port and no scheme, is plain.
        {"http://plain/", {"h", 443, "/", true}, {"plain", 80, "/"}, {}},
        {"host:81/x", {"h", 443, "/", true}, {"host", 81, "/x"}, {}},
        {"http://host:65535/", {}, {"host", 65535, "/"}, {}},  // the ends of the port range
        {"host:1/", {}, {"host", 1, "/"}, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.url.left(40).constData());
        QByteArray url = row.url;
        const TUrlTarget t = Split(url, row.before);
        EXPECT_EQ(t.Host, row.split.Host);
        EXPECT_EQ(t.Port, row.split.Port);
        EXPECT_EQ(t.Path, row.split.Path);
        EXPECT_EQ(t.Secure, row.split.Secure);
        EXPECT_EQ(url, row.urlAfter.isNull() ? row.url : row.urlAfter);
    }
}

TEST(SplitUrl, RefusesEmptyAddressesAndNonNumericPorts)
{
    QByteArray url;
    EXPECT_EQ(ThrownMessage<Exception>([&] { Split(url); }), "Empty URL");
    url = "http://host:abc/";
    EXPECT_EQ(ThrownMessage<ESockError>([&] { Split(url); }),
              "Not a usable web address: http://host:abc/: the port \"abc\" is not a number");
}

TEST(SplitUrl, RefusesPortsOutsideOneTo65535)
{
    for (const char *port : {"65536", "70000", "0", "-80"}) {  // 1 and 65535: HostPortPathAndSchemeOfEachAddress
        QByteArray url = "http://host:" + QByteArray(port) + "/x.jpg";
        EXPECT_EQ(ThrownMessage<ESockError>([&] { Split(url); }), QStringLiteral("Invalid port number ") + port);
    }
}

TEST(ResponseHeader, StatusNumberIsTheSecondField)
{
    EXPECT_EQ(StatusNumberOf("HTTP/1.0 200 OK\r\n"), 200);
    EXPECT_EQ(StatusNumberOf("HTTP/1.1 404\r\n"), 404);
    EXPECT_EQ(StatusNumberOf("HTTP/1.0 2x0 OK\r\n"), 0);
    EXPECT_EQ(StatusNumberOf("HTTP/1.0 99999 OK\r\n"), 0);
    EXPECT_EQ(StatusNumberOf("junk"), 0);
    EXPECT_EQ(StatusNumberOf(""), 0);
}

TEST(ResponseHeader, RecognisesNamesFollowedByColonAndBlank)
{
    THeaderValue v = ParseHeaderLine("Set-Cookie: a=b; Path=/\r\n");
    EXPECT_EQ(v.Field, THeaderField::SetCookie);
    EXPECT_EQ(v.Text, "a=b; Path=/");
    v = ParseHeaderLine("LOCATION: http://x/y\n");
    EXPECT_EQ(v.Field, THeaderField::Location);
    EXPECT_EQ(v.Text, "http://x/y");
    const QByteArray longTarget = "http://x/" + QByteArray(500, 'l');
    EXPECT_EQ(ParseHeaderLine("Location: " + longTarget + "\r\n").Text, longTarget);
    EXPECT_EQ(ParseHeaderLine("content-length: 1234\r\n").Length, 1234);
    // Not one number: no length (the answer is refused, see FramingTest).
    EXPECT_EQ(ParseHeaderLine("Content-Length: x99\r\n").Length, -1);
    EXPECT_EQ(ParseHeaderLine("Content-Length: none\r\n").Length, -1);
    EXPECT_EQ(ParseHeaderLine("Content-Length: 99999999999999999999999\r\n").Length, -1);
    EXPECT_EQ(ParseHeaderLine("Location:http://x/\r\n").Field, THeaderField::Other);
    EXPECT_EQ(ParseHeaderLine("X-Location: y\r\n").Field, THeaderField::Other);
}

TEST(ResponseHeader, BlockEndsAtABlankLineOrTheEnd)
{
    EXPECT_TRUE(EndsHeaderBlock("\r\n"));
    EXPECT_TRUE(EndsHeaderBlock("\n"));
    EXPECT_TRUE(EndsHeaderBlock(""));
    EXPECT_FALSE(EndsHeaderBlock(" \r\n"));
    EXPECT_FALSE(EndsHeaderBlock("\r"));
}
