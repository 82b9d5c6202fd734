#include "base/url_reference.h"

#include <gtest/gtest.h>

namespace {

struct Example {
    const char *reference;
    const char *resolved;
};

// RFC 3986, 5.4.1: the normal examples.
const Example kNormal[] = {
    {"g:h", "g:h"},
    {"g", "http://a/b/c/g"},
    {"./g", "http://a/b/c/g"},
    {"g/", "http://a/b/c/g/"},
    {"/g", "http://a/g"},
    {"//g", "http://g"},
    {"?y", "http://a/b/c/d;p?y"},
    {"g?y", "http://a/b/c/g?y"},
    {"#s", "http://a/b/c/d;p?q#s"},
    {"g#s", "http://a/b/c/g#s"},
    {"g?y#s", "http://a/b/c/g?y#s"},
    {";x", "http://a/b/c/;x"},
    {"g;x", "http://a/b/c/g;x"},
    {"g;x?y#s", "http://a/b/c/g;x?y#s"},
    {"", "http://a/b/c/d;p?q"},
    {".", "http://a/b/c/"},
    {"./", "http://a/b/c/"},
    {"..", "http://a/b/"},
    {"../", "http://a/b/"},
    {"../g", "http://a/b/g"},
    {"../..", "http://a/"},
    {"../../", "http://a/"},
    {"../../g", "http://a/g"},
};

// RFC 3986, 5.4.2: the abnormal examples (strict parser).
const Example kAbnormal[] = {
    {"../../../g", "http://a/g"},
    {"../../../../g", "http://a/g"},
    {"/./g", "http://a/g"},
    {"/../g", "http://a/g"},
    {"g.", "http://a/b/c/g."},
    {".g", "http://a/b/c/.g"},
    {"g..", "http://a/b/c/g.."},
    {"..g", "http://a/b/c/..g"},
    {"./../g", "http://a/b/g"},
    {"./g/.", "http://a/b/c/g/"},
    {"g/./h", "http://a/b/c/g/h"},
    {"g/../h", "http://a/b/c/h"},
    {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
    {"g;x=1/../y", "http://a/b/c/y"},
    {"g?y/./x", "http://a/b/c/g?y/./x"},
    {"g?y/../x", "http://a/b/c/g?y/../x"},
    {"g#s/./x", "http://a/b/c/g#s/./x"},
    {"g#s/../x", "http://a/b/c/g#s/../x"},
    {"http:g", "http:g"},
};

TEST(ResolveReference, TheExamplesOfRfc3986)
{
    const QByteArray base = "http://a/b/c/d;p?q";
    for (const Example &e : kNormal)
        EXPECT_EQ(ResolveReference(base, e.reference), QByteArray(e.resolved)) << e.reference;
    for (const Example &e : kAbnormal)
        EXPECT_EQ(ResolveReference(base, e.reference), QByteArray(e.resolved)) << e.reference;
}

TEST(ResolveReference, RelativeReferencesKeepTheSchemeHostAndPortOfTheBase)
{
    const QByteArray base = "http://127.0.0.1:8080/gallery/old/pic.jpg";
    EXPECT_EQ(ResolveReference(base, "real.jpg"), "http://127.0.0.1:8080/gallery/old/real.jpg");
    EXPECT_EQ(ResolveReference(base, "../real.jpg"), "http://127.0.0.1:8080/gallery/real.jpg");
    EXPECT_EQ(ResolveReference(base, "/real.jpg"), "http://127.0.0.1:8080/real.jpg");
    EXPECT_EQ(ResolveReference(base, "?page=2"), "http://127.0.0.1:8080/gallery/old/pic.jpg?page=2");
    EXPECT_EQ(ResolveReference(base, "//other:81/x"), "http://other:81/x");
    EXPECT_EQ(ResolveReference(base, "http://other/x"), "http://other/x");
    // A name with a dot is a path here, not a host.
    EXPECT_EQ(ResolveReference(base, "www.example.com/x"), "http://127.0.0.1:8080/gallery/old/www.example.com/x");
    // A base with an authority and no path.
    EXPECT_EQ(ResolveReference("http://h:81", "x"), "http://h:81/x");
}

TEST(RemoveDotSegments, TheTwoWalkThroughsOfRfc3986AndTheEdges)
{
    EXPECT_EQ(RemoveDotSegments("/a/b/c/./../../g"), "/a/g");
    EXPECT_EQ(RemoveDotSegments("mid/content=5/../6"), "mid/6");
    EXPECT_EQ(RemoveDotSegments(""), "");
    EXPECT_EQ(RemoveDotSegments("/"), "/");
    EXPECT_EQ(RemoveDotSegments("/.."), "/");
    EXPECT_EQ(RemoveDotSegments("/a/.."), "/");
    EXPECT_EQ(RemoveDotSegments("/a/b/."), "/a/b/");
    EXPECT_EQ(RemoveDotSegments("/a//../b"), "/a/b");
    EXPECT_EQ(RemoveDotSegments("/.hidden/..x/x.."), "/.hidden/..x/x..");
    // A relative path keeps what climbs above its start.
    EXPECT_EQ(RemoveDotSegments("../a/../../b"), "../../b");
    EXPECT_EQ(RemoveDotSegments("a/./b/.."), "a/");
}

// The rules the page scan resolves its links by, beside the client's.
TEST(ResolveReference, FragmentAndSchemeCaseByTheRules)
{
    struct Row {
        const char *base, *reference;
        TResolveRules rules;
        const char *resolved;
    };
    const TResolveRules links{false, true};
    const Row rows[] = {
        {"http://h/a/b", "c#top", {}, "http://h/a/c#top"},
        {"http://h/a/b", "c#top", links, "http://h/a/c"},
        {"http://h/a/b#old", "", {}, "http://h/a/b"},
        {"HTTP://h/a/b", "c", {}, "HTTP://h/a/c"},
        {"HTTP://h/a/b", "c", links, "http://h/a/c"},
        {"http://h/", "HTTPS://o/x#f", links, "https://o/x"},
        // Bases without a scheme or an authority, as a page's <base href> may be.
        {"../", "../a.jpg", links, "../../a.jpg"},
        {"sub/", "../a.jpg#x", links, "a.jpg"},
        {"//cdn/x/y", "?q", links, "//cdn/x/y?q"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(ResolveReference(row.base, row.reference, row.rules), QByteArray(row.resolved))
            << row.base << " + " << row.reference;
}

}  // namespace
