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

TEST(SplitUrl, HostPortAndPathOfFullAddresses)
{
    QByteArray url = "http://www.example.com/a/b.jpg";
    TUrlTarget t = Split(url);
    EXPECT_EQ(t.Host, "www.example.com");
    EXPECT_EQ(t.Port, 80);
    EXPECT_EQ(t.Path, "/a/b.jpg");

    url = "http://host:8080/x?y=1";
    t = Split(url);
    EXPECT_EQ(t.Host, "host");
    EXPECT_EQ(t.Port, 8080);
    EXPECT_EQ(t.Path, "/x?y=1");

    url = "ftp://files/f";
    EXPECT_EQ(Split(url).Port, 21);
    url = "Gopher://g/";
    EXPECT_EQ(Split(url).Port, 70);
}

TEST(SplitUrl, MissingPathBecomesSlashAndIsAppended)
{
    QByteArray url = "http://host";
    EXPECT_EQ(Split(url).Path, "/");
    EXPECT_EQ(url, "http://host/");
    url = "http://host/";
    EXPECT_EQ(Split(url).Path, "/");
    EXPECT_EQ(url, "http://host/");
}

TEST(SplitUrl, AddressWithoutColonKeepsPortAndRelativePathKeepsHost)
{
    QByteArray url = "host/path";
    TUrlTarget t = Split(url, {"old", 8080, "/"});
    EXPECT_EQ(t.Host, "host");
    EXPECT_EQ(t.Port, 8080);
    EXPECT_EQ(t.Path, "/path");
    url = "/other";
    t = Split(url, {"old", 81, "/"});
    EXPECT_EQ(t.Host, "old");
    EXPECT_EQ(t.Port, 81);
    url = "host:81/p";  // a host with a port and no scheme
    EXPECT_EQ(Split(url).Port, 81);
}

TEST(SplitUrl, LongPathsAreKeptWhole)
{
    const QByteArray path = "/" + QByteArray(600, 'p');
    QByteArray url = "http://host" + path;
    EXPECT_EQ(Split(url).Path, path);
}

TEST(SplitUrl, HttpsIsSecureOnPort443UnlessGivenAnother)
{
    QByteArray url = "HTTPS://secure/a";
    TUrlTarget target = Split(url);
    EXPECT_TRUE(target.Secure);
    EXPECT_EQ(target.Port, 443);
    url = "https://secure:8443/a";
    EXPECT_EQ(Split(url).Port, 8443);
    // Any other scheme, or a host with a port and no scheme, is plain.
    TUrlTarget after{"h", 443, "/", true};
    url = "http://plain/";
    SplitUrl(url, after);
    EXPECT_FALSE(after.Secure);
    EXPECT_EQ(after.Port, 80);
    after.Secure = true;
    url = "host:81/x";
    SplitUrl(url, after);
    EXPECT_FALSE(after.Secure);
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
    QByteArray url = "http://host:65535/";
    EXPECT_EQ(Split(url).Port, 65535);
    url = "host:1/";
    EXPECT_EQ(Split(url).Port, 1);
    for (const char *port : {"65536", "70000", "0", "-80"}) {
        url = "http://host:" + QByteArray(port) + "/x.jpg";
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
