#include "net/url_reference.h"

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
}

}  // namespace
