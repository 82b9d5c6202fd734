// TCookieJar: which cookies.txt lines and Set-Cookie values reach which
// addresses, the Cookie line a client sends, and HTTP dates with
// Retry-After.
#include "net/cookie_jar.h"
#include "net/http_client.h"
#include "net/http_date.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kNow = 1800000000;  // 2027-01-15

struct FileLineCase {
    const char *name;
    const char *line;
    const char *address;  // scheme://host/path, split by the case
    bool sent;
};

void SplitAddress(const QByteArray &address, QByteArray &host, QByteArray &path, bool &secure)
{
    secure = address.startsWith("https://");
    const QByteArray rest = address.mid(address.indexOf("//") + 2);
    const qsizetype slash = rest.indexOf('/');
    host = slash < 0 ? rest : rest.left(slash);
    path = slash < 0 ? QByteArray("/") : rest.mid(slash);
}

class CookiesFileLineTest : public ::testing::TestWithParam<FileLineCase> {};

TEST_P(CookiesFileLineTest, SentOrWithheld)
{
    const FileLineCase &c = GetParam();
    const TCookiesFile file = ParseCookiesFile(c.line);
    QByteArray host, path;
    bool secure = false;
    SplitAddress(c.address, host, path, secure);
    const bool sent = !file.Cookies.isEmpty() && CookieGoesTo(file.Cookies.first(), host, path, secure, kNow);
    EXPECT_EQ(sent, c.sent) << c.line << " -> " << c.address;
}

const FileLineCase kFileLines[] = {
    {"ExactHost", "ex.com\tFALSE\t/\tFALSE\t0\ta\t1", "http://ex.com/x.jpg", true},
    {"HostCaseIgnored", "ex.com\tFALSE\t/\tFALSE\t0\ta\t1", "http://EX.com/x.jpg", true},
    {"NoSubdomainWithoutFlag", "ex.com\tFALSE\t/\tFALSE\t0\ta\t1", "http://img.ex.com/x.jpg", false},
    {"SubdomainWithFlag", "ex.com\tTRUE\t/\tFALSE\t0\ta\t1", "http://img.ex.com/x.jpg", true},
    {"SubdomainWithDot", ".ex.com\tFALSE\t/\tFALSE\t0\ta\t1", "http://img.ex.com/x.jpg", true},
    {"DotDomainItself", ".ex.com\tTRUE\t/\tFALSE\t0\ta\t1", "http://ex.com/", true},
    {"NotASuffixByText", "ex.com\tTRUE\t/\tFALSE\t0\ta\t1", "http://badex.com/", false},
    {"OtherHost", "ex.com\tTRUE\t/\tFALSE\t0\ta\t1", "http://ex.org/", false},
    {"PathPrefixAtSlash", "ex.com\tFALSE\t/gal\tFALSE\t0\ta\t1", "http://ex.com/gal/1.jpg", true},
    {"PathItself", "ex.com\tFALSE\t/gal\tFALSE\t0\ta\t1", "http://ex.com/gal", true},
    {"PathNotAtSlash", "ex.com\tFALSE\t/gal\tFALSE\t0\ta\t1", "http://ex.com/gallery", false},
    {"PathWithSlash", "ex.com\tFALSE\t/gal/\tFALSE\t0\ta\t1", "http://ex.com/gal/x", true},
    {"PathQueryIgnored", "ex.com\tFALSE\t/gal\tFALSE\t0\ta\t1", "http://ex.com/gal?p=/x", true},
    {"OtherPath", "ex.com\tFALSE\t/gal\tFALSE\t0\ta\t1", "http://ex.com/", false},
    {"SecureOverHttps", "ex.com\tFALSE\t/\tTRUE\t0\ta\t1", "https://ex.com/", true},
    {"SecureNotOverHttp", "ex.com\tFALSE\t/\tTRUE\t0\ta\t1", "http://ex.com/", false},
    {"PlainOverHttps", "ex.com\tFALSE\t/\tFALSE\t0\ta\t1", "https://ex.com/", true},
    {"NotExpired", "ex.com\tFALSE\t/\tFALSE\t1800000001\ta\t1", "http://ex.com/", true},
    {"Expired", "ex.com\tFALSE\t/\tFALSE\t1799999999\ta\t1", "http://ex.com/", false},
    {"HttpOnlyPrefix", "#HttpOnly_ex.com\tFALSE\t/\tFALSE\t0\ta\t1", "http://ex.com/", true},
    {"HttpOnlyDot", "#HttpOnly_.ex.com\tTRUE\t/\tFALSE\t0\ta\t1", "http://w.ex.com/", true},
    {"Comment", "# ex.com\tFALSE\t/\tFALSE\t0\ta\t1", "http://ex.com/", false},
    {"SixFields", "ex.com\tFALSE\t/\tFALSE\t0\ta", "http://ex.com/", false},
    {"BadFlag", "ex.com\tYES\t/\tFALSE\t0\ta\t1", "http://ex.com/", false},
    {"BadExpiry", "ex.com\tFALSE\t/\tFALSE\tsoon\ta\t1", "http://ex.com/", false},
    {"SpacesNotTabs", "ex.com FALSE / FALSE 0 a 1", "http://ex.com/", false},
    {"IpAddressNoSubdomain", "0.0.1\tTRUE\t/\tFALSE\t0\ta\t1", "http://127.0.0.1/", false},
};

INSTANTIATE_TEST_SUITE_P(Lines, CookiesFileLineTest, ::testing::ValuesIn(kFileLines),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(CookiesFileTest, CountsMalformedLinesOnly)
{
    const TCookiesFile file = ParseCookiesFile("# Netscape HTTP Cookie File\r\n\r\n"
                                               "ex.com\tFALSE\t/\tFALSE\t0\ta\t1\r\n"
                                               "garbage\n"
                                               "#HttpOnly_ex.com\tFALSE\t/\tTRUE\t0\tb\t2\n"
                                               "ex.com\tMAYBE\t/\tFALSE\t0\tc\t3\n"
                                               "ex.com\tFALSE\tnoslash\tFALSE\t0\td\t4\n");
    ASSERT_EQ(file.Cookies.size(), 2);
    EXPECT_EQ(file.Skipped, 3);
    EXPECT_TRUE(file.Cookies[1].HttpOnly);
    EXPECT_TRUE(file.Cookies[1].Secure);
    EXPECT_EQ(file.Cookies[1].Value, "2");
    EXPECT_EQ(CookiesSkippedText(3, true), "3 lines of cookies.txt skipped");
    EXPECT_NE(CookiesSkippedText(3, false), CookiesSkippedText(3, true));
}

TEST(CookieJarTest, OneLineLongerPathsFirst)
{
    TCookieJar jar;
    for (const char *line : {"ex.com\tFALSE\t/\tFALSE\t0\troot\t1", "ex.com\tFALSE\t/a/b\tFALSE\t0\tdeep\t3",
                             "ex.com\tFALSE\t/a\tFALSE\t0\tmid\t2", "other.com\tFALSE\t/\tFALSE\t0\tno\t0"})
        jar.Add(ParseCookiesFile(line).Cookies.first());
    EXPECT_EQ(jar.HeaderFor("ex.com", "/a/b/c.jpg", false, kNow), "deep=3; mid=2; root=1");
    EXPECT_EQ(jar.HeaderFor("ex.com", "/z", false, kNow), "root=1");
    EXPECT_EQ(jar.HeaderFor("none.com", "/", false, kNow), "");
}

struct SetCookieCase {
    const char *name;
    const char *value;      // set by http://www.ex.com/gal/page.htm
    const char *address;    // then asked for
    bool sent;
};

class SetCookieTest : public ::testing::TestWithParam<SetCookieCase> {};

TEST_P(SetCookieTest, KeptByTheRules)
{
    const SetCookieCase &c = GetParam();
    TCookieJar jar;
    jar.TakeSetCookie(c.value, "www.ex.com", "/gal/page.htm?x=1", kNow);
    QByteArray host, path;
    bool secure = false;
    SplitAddress(c.address, host, path, secure);
    EXPECT_EQ(!jar.HeaderFor(host, path, secure, kNow + 10).isEmpty(), c.sent) << c.value << " -> " << c.address;
}

const SetCookieCase kSetCookies[] = {
    {"DefaultPathIsTheDirectory", "s=1", "http://www.ex.com/gal/1.jpg", true},
    {"DefaultPathNotAbove", "s=1", "http://www.ex.com/other.jpg", false},
    {"HostOnlyByDefault", "s=1", "http://img.www.ex.com/gal/1.jpg", false},
    {"PathAttribute", "s=1; Path=/", "http://www.ex.com/other.jpg", true},
    {"ParentDomain", "s=1; Domain=ex.com; Path=/", "http://img.ex.com/x.jpg", true},
    {"ParentDomainDotted", "s=1; domain=.EX.com; path=/", "http://img.ex.com/x.jpg", true},
    {"ForeignDomainIgnored", "s=1; Domain=other.com; Path=/", "http://other.com/", false},
    {"ForeignDomainNotForHost", "s=1; Domain=other.com; Path=/", "http://www.ex.com/", false},
    {"SingleLabelIgnored", "s=1; Domain=com; Path=/", "http://img.ex.com/", false},
    {"SecureNotOverHttp", "s=1; Secure; Path=/", "http://www.ex.com/", false},
    {"SecureOverHttps", "s=1; Secure; Path=/", "https://www.ex.com/", true},
    {"MaxAgeLater", "s=1; Max-Age=60; Path=/", "http://www.ex.com/", true},
    {"MaxAgePast", "s=1; Max-Age=5; Path=/", "http://www.ex.com/", false},
    {"MaxAgeZero", "s=1; Max-Age=0; Path=/", "http://www.ex.com/", false},
    {"ExpiresPast", "s=1; Expires=Sun, 06 Nov 1994 08:49:37 GMT; Path=/", "http://www.ex.com/", false},
    {"ExpiresLater", "s=1; Expires=Wed, 01-Jan-2031 00:00:00 GMT; Path=/", "http://www.ex.com/", true},
    {"MaxAgeOverExpires", "s=1; Max-Age=60; Expires=Sun, 06 Nov 1994 08:49:37 GMT; Path=/",
     "http://www.ex.com/", true},
    {"NoEqualsIgnored", "justtext; Path=/", "http://www.ex.com/", false},
    {"EmptyNameIgnored", "=1; Path=/", "http://www.ex.com/", false},
};

INSTANTIATE_TEST_SUITE_P(Values, SetCookieTest, ::testing::ValuesIn(kSetCookies),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(SetCookieJarTest, ALaterCookieReplacesAndAnExpiredOneRemoves)
{
    TCookieJar jar;
    jar.TakeSetCookie("s=1; Path=/", "ex.com", "/", kNow);
    jar.TakeSetCookie("s=2; Path=/", "ex.com", "/", kNow);
    EXPECT_EQ(jar.HeaderFor("ex.com", "/", false, kNow), "s=2");
    jar.TakeSetCookie("s=gone; Path=/; Max-Age=0", "ex.com", "/", kNow);
    EXPECT_TRUE(jar.IsEmpty());
}

struct DateCase {
    const char *text;
    qint64 seconds;  // -1: not a date
};

class HttpDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(HttpDateTest, UnixSeconds)
{
    const std::optional<qint64> seconds = HttpDateOf(GetParam().text);
    EXPECT_EQ(seconds.value_or(-1), GetParam().seconds) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Forms, HttpDateTest,
                         ::testing::Values(DateCase{"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
                                           DateCase{"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
                                           DateCase{"Sun Nov  6 08:49:37 1994", 784111777},
                                           DateCase{"Sun, 06-Nov-1994 08:49:37 GMT", 784111777},
                                           DateCase{"Sun, 31 Feb 1994 08:49:37 GMT", -1},
                                           DateCase{"Sun, 06 Nov 1994 25:49:37 GMT", -1},
                                           DateCase{"tomorrow", -1}, DateCase{"", -1}));

struct RetryCase {
    const char *value;
    int seconds;  // -1: no wait asked
};

class RetryAfterTest : public ::testing::TestWithParam<RetryCase> {};

TEST_P(RetryAfterTest, SecondsClamped)
{
    // kNow + 30 s as an HTTP date: Fri, 15 Jan 2027 08:00:30 GMT.
    EXPECT_EQ(RetryAfterSeconds(GetParam().value, kNow).value_or(-1), GetParam().seconds) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Values, RetryAfterTest,
                         ::testing::Values(RetryCase{"30", 30}, RetryCase{" 1 ", 1}, RetryCase{"0", 0},
                                           RetryCase{"300", 300}, RetryCase{"301", 300},
                                           RetryCase{"100000", 300}, RetryCase{"99999999999999999999", 300},
                                           RetryCase{"Fri, 15 Jan 2027 08:00:30 GMT", 30},
                                           RetryCase{"Fri, 15 Jan 2027 09:00:00 GMT", 300},
                                           RetryCase{"Fri, 15 Jan 2027 07:00:00 GMT", 0},
                                           RetryCase{"-5", -1}, RetryCase{"1.5", -1}, RetryCase{"", -1},
                                           RetryCase{"soon", -1}));

// The client: a jar with nothing for the address leaves the request bytes
// as they were; a page's Set-Cookie then goes with the next request.
TEST(CookieClientTest, JarBytesAndSetCookieFromThePage)
{
    FixtureHttpServer server;
    ScriptedResolver resolver;
    THttpClient plain, withJar;
    for (THttpClient *http : {&plain, &withJar}) {
        http->Resolver = &resolver;
        http->TimeOut = 10000;
        http->HeaderInfo.LocalProgram = "Grabulo";
    }
    withJar.CookieJar = std::make_shared<TCookieJar>();
    withJar.CookieJar->Add(ParseCookiesFile("elsewhere.com\tTRUE\t/\tFALSE\t0\tx\t9").Cookies.first());
    plain.Get(server.Url("/ok"));
    const QByteArray plainBytes = server.LastRequest();
    withJar.Get(server.Url("/ok"));
    EXPECT_EQ(server.LastRequest(), plainBytes);

    server.Route("/page", FixtureResponse::Raw("HTTP/1.0 200 OK\r\nSet-Cookie: sid=abc; Path=/\r\n"
                                               "Set-Cookie: lang=sl; Path=/pics\r\n\r\nhello"));
    server.Route("/pics/ok", FixtureResponse::Ok("pic"));
    withJar.Get(server.Url("/page"));
    withJar.Get(server.Url("/pics/ok"));
    EXPECT_TRUE(server.LastRequest().contains("\r\nCookie: lang=sl; sid=abc\r\n")) << server.LastRequest().constData();
    EXPECT_EQ(withJar.CookieJar->HeaderFor("elsewhere.com", "/", false, kNow), "x=9");
}

}  // namespace
