// The request block as HTTP/2 fields: pseudo-fields first, names in lower
// case, the fields HTTP/2 forbids and Host dropped, the order kept.
#include "net/h2_request.h"

#include <gtest/gtest.h>

namespace {

struct TFieldsCase {
    const char *Name;
    std::vector<QByteArray> Lines;
    bool Secure;
    // "name=value" per field, in order.
    std::vector<QByteArray> Expected;
};

std::vector<QByteArray> Flattened(const std::vector<TH2Field> &fields)
{
    std::vector<QByteArray> flat;
    for (const TH2Field &field : fields)
        flat.push_back(field.Name + '=' + field.Value);
    return flat;
}

class H2RequestFieldsTest : public ::testing::TestWithParam<TFieldsCase> {};

TEST_P(H2RequestFieldsTest, GivesTheFields)
{
    THeaderLines block;
    for (const QByteArray &line : GetParam().Lines)
        block.Add(line);
    EXPECT_EQ(Flattened(H2RequestFields(block, GetParam().Secure)), GetParam().Expected);
}

const TFieldsCase kFieldsCases[] = {
    {"Plain", {"GET /a/b.jpg HTTP/1.1", "Host: example.org", "Accept: */*"}, true,
     {":method=GET", ":scheme=https", ":authority=example.org", ":path=/a/b.jpg", "accept=*/*"}},
    {"PortKept", {"GET / HTTP/1.1", "Host: example.org:8443"}, true,
     {":method=GET", ":scheme=https", ":authority=example.org:8443", ":path=/"}},
    {"HopByHopDropped",
     {"GET /x HTTP/1.1", "Connection: Keep-Alive", "Proxy-Connection: Keep-Alive", "Keep-Alive: 5",
      "Transfer-Encoding: chunked", "Upgrade: h2c", "TE: trailers", "Host: h", "User-Agent: Grabulo"},
     true, {":method=GET", ":scheme=https", ":authority=h", ":path=/x", "user-agent=Grabulo"}},
    {"NamesLowerCasedOrderAndRepeatsKept",
     {"HEAD /q?x=1 HTTP/1.1", "Host: h", "Accept: image/gif", "Range: bytes=5-", "Accept: */*",
      "Content-type: application/x-www-form-urlencoded"},
     true,
     {":method=HEAD", ":scheme=https", ":authority=h", ":path=/q?x=1", "accept=image/gif", "range=bytes=5-",
      "accept=*/*", "content-type=application/x-www-form-urlencoded"}},
    {"BlanksAroundValuesDropped", {"GET / HTTP/1.1", "Host:   h  ", "Cookie:a=1; b=2 "}, false,
     {":method=GET", ":scheme=http", ":authority=h", ":path=/", "cookie=a=1; b=2"}},
    {"AbsoluteTargetGivesItsPath", {"GET http://h:81/p/q.png HTTP/1.1", "Host: h:81"}, false,
     {":method=GET", ":scheme=http", ":authority=h:81", ":path=/p/q.png"}},
    {"AbsoluteTargetWithoutPath", {"GET http://h HTTP/1.1", "Host: h"}, false,
     {":method=GET", ":scheme=http", ":authority=h", ":path=/"}},
    {"QueryNamingASchemeStaysAPath", {"GET /r?u=http://x/y HTTP/1.1", "Host: h"}, true,
     {":method=GET", ":scheme=https", ":authority=h", ":path=/r?u=http://x/y"}},
    {"NoHostNoAuthority", {"GET /only HTTP/1.1", "Broken line", "From: me@example.org"}, true,
     {":method=GET", ":scheme=https", ":path=/only", "from=me@example.org"}},
    {"EmptyBlock", {}, true, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, H2RequestFieldsTest, ::testing::ValuesIn(kFieldsCases),
                         [](const auto &info) { return std::string(info.param.Name); });

}  // namespace
