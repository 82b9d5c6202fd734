// The next page a page names: page bytes and the page's address -> the
// next page's address, or none.
#include "core/scan/next_page.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct NextCase {
    const char *name;
    const char *page;
    const char *address;  // the page's own
    const char *next;     // empty: none
};

void PrintTo(const NextCase &c, std::ostream *os)
{
    *os << c.name;
}

class NextPage : public ::testing::TestWithParam<NextCase> {};

TEST_P(NextPage, IsFoundResolvedAndChecked)
{
    const NextCase &c = GetParam();
    EXPECT_EQ(NextPageAddress(c.page, c.address), QByteArray(c.next)) << c.page;
}

constexpr char kPage[] = "http://h/g/page1.html";

const NextCase kNextCases[] = {
    {"LinkRelNext", R"(<head><link rel="next" href="page2.html"></head>)", kPage, "http://h/g/page2.html"},
    {"LinkRelInAnyCaseAmongOthers", R"(<link rel="prefetch NEXT" href="/p/2">)", kPage, "http://h/p/2"},
    {"AnchorRelNextPrefetch", R"(<a rel="next prefetch" href="?page=2">more</a>)", kPage,
     "http://h/g/page1.html?page=2"},
    {"RelNextWordOnlyWhole", R"(<a rel="nextpage" href="x.html">more</a>)", kPage, ""},
    {"TextNext", R"(<a href="page2.html">Next</a>)", kPage, "http://h/g/page2.html"},
    {"TextNextAnyCaseWithSpaces", "<a href=\"page2.html\">\n  nEXT \t</a>", kPage, "http://h/g/page2.html"},
    {"TextNaprej", R"(<a href="stran2.html">Naprej</a>)", kPage, "http://h/g/stran2.html"},
    {"TextSingleArrow", "<a href=\"2.html\">\xE2\x80\xBA</a>", kPage, "http://h/g/2.html"},
    {"TextDoubleArrow", "<a href=\"2.html\">\xC2\xBB</a>", kPage, "http://h/g/2.html"},
    {"EntityRaquo", R"(<a href="2.html">&raquo;</a>)", kPage, "http://h/g/2.html"},
    {"EntityRsaquo", R"(<a href="2.html"> &rsaquo; </a>)", kPage, "http://h/g/2.html"},
    {"NumericEntity", R"(<a href="2.html">&#187;</a>)", kPage, "http://h/g/2.html"},
    {"InnerSpan", R"(<a href="2.html"><span class="b">Next</span></a>)", kPage, "http://h/g/2.html"},
    {"InnerTagsTextJoined", R"(<a href="2.html">Ne<b>xt</b></a>)", kPage, "http://h/g/2.html"},
    {"OtherWordsAroundNoMatch", R"(<a href="2.html">Next &raquo;</a><a href="3.html">Next page</a>)", kPage, ""},
    {"FirstTextMatchWins", R"(<a href="a.html">Back</a><a href="b.html">Next</a><a href="c.html">Next</a>)", kPage,
     "http://h/g/b.html"},
    {"AbsoluteSameHost", R"(<a href="http://h/other/2.html">Next</a>)", kPage, "http://h/other/2.html"},
    {"OtherSchemeSameHostAnyCase", R"(<a href="https://H/2.html">Next</a>)", kPage, "https://H/2.html"},
    {"AnotherHost", R"(<a href="http://elsewhere/2.html">Next</a>)", kPage, ""},
    {"AnotherPort", R"(<link rel="next" href="http://h:8080/2.html">)", kPage, ""},
    {"OwnPortWrittenOut", R"(<link rel="next" href="http://h:80/2.html">)", kPage, "http://h:80/2.html"},
    {"NetworkPathOtherHost", R"(<a rel="next" href="//cdn.example/2.html">x</a>)", kPage, ""},
    {"Javascript", R"x(<a href="javascript:next()">Next</a>)x", kPage, ""},
    {"Mailto", R"(<a rel="next" href="mailto:x@h">x</a>)", kPage, ""},
    {"None", R"(<a href="a.jpg">picture</a><p>Next</p>)", kPage, ""},
    {"AnchorWithoutHref", R"(<a name="n">Next</a>)", kPage, ""},
    {"FragmentDropped", R"(<a href="2.html#top">Next</a>)", kPage, "http://h/g/2.html"},
    {"LinkRelWinsOverAnchorRel", R"(<a rel="next" href="a.html">x</a><link rel="next" href="l.html">)", kPage,
     "http://h/g/l.html"},
    {"AnchorRelWinsOverText", R"(<a href="t.html">Next</a><a rel="next" href="r.html">2</a>)", kPage,
     "http://h/g/r.html"},
    {"BaseHref", R"(<base href="/pics/"><a href="2.html">Next</a>)", kPage, "http://h/pics/2.html"},
    {"BaseHrefOtherHostResolvedNotFollowed", R"(<base href="http://o/"><a href="2.html">Next</a>)", kPage, ""},
    {"DotSegments", R"(<a href="../g2/./p2.html">Next</a>)", kPage, "http://h/g2/p2.html"},
    {"ScriptTextIsNotShown", R"(<a href="2.html"><script>x</script>Next</a>)", kPage, "http://h/g/2.html"},
    {"UnclosedAnchorEndsAtNextAnchor", R"(<a href="1.html">Next<a href="x.html">y</a>)", kPage,
     "http://h/g/1.html"},
    {"HttpsPagePort", R"(<a href="/2">Next</a>)", "https://h:8443/g/", "https://h:8443/2"},
    {"EmptyPage", "", kPage, ""},
};

INSTANTIATE_TEST_SUITE_P(Pages, NextPage, ::testing::ValuesIn(kNextCases),
                         [](const auto &info) { return std::string(info.param.name); });

struct HostCase {
    const char *address;
    const char *hostAndPort;
};

class HostAndPort : public ::testing::TestWithParam<HostCase> {};

TEST_P(HostAndPort, LeavesOutTheSchemesOwnPort)
{
    EXPECT_EQ(HostAndPortOf(GetParam().address), QByteArray(GetParam().hostAndPort));
}

INSTANTIATE_TEST_SUITE_P(Addresses, HostAndPort,
                         ::testing::Values(HostCase{"http://H/x", "h"}, HostCase{"http://h:80/x", "h"},
                                           HostCase{"https://h:443?q", "h"}, HostCase{"https://h:80/", "h:80"},
                                           HostCase{"HTTP://u:p@h:81#f", "h:81"}, HostCase{"ftp://h/", ""},
                                           HostCase{"h/x", ""}));

TEST(NextPageFragment, IsLeftOutOfTheComparedAddress)
{
    EXPECT_EQ(WithoutFragment("http://h/a#b#c"), QByteArray("http://h/a"));
    EXPECT_EQ(WithoutFragment("http://h/a?b"), QByteArray("http://h/a?b"));
}

}  // namespace
