#include "core/scan/link_scanner.h"
#include "core/scan/type_filter.h"
#include "tests/core/scan/link_collector_model.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Links = QList<QByteArray>;

const PageLocation kRoot{"h", ""};
const PageLocation kFolderX{"h", "x/"};
const PageLocation kFolderAB{"h", "a/b/"};

// ---- Collection pass -------------------------------------------------------

TEST(LinkCollection, TakesQuotedSingleQuotedAndUnquotedValues)
{
    EXPECT_EQ(ObdelajHTML(R"(<a href="a.gif">)"), Links{"a.gif"});
    EXPECT_EQ(ObdelajHTML("<a href='a.gif'>"), Links{"a.gif"});
    EXPECT_EQ(ObdelajHTML("<a href=a.gif>"), Links{"a.gif"});
    EXPECT_EQ(ObdelajHTML("<a href=a.gif title=x>"), Links{"a.gif"});
    EXPECT_EQ(ObdelajHTML(R"(<a href = "a.gif" class="c">)"), Links{"a.gif"});
    EXPECT_EQ(ObdelajHTML(R"(<A HREF="/img/b.png">)"), Links{"/img/b.png"});
}

TEST(LinkCollection, SpaceCutsTheValueButTabsAndLineBreaksBelongToIt)
{
    EXPECT_EQ(ObdelajHTML(R"(<a href="a b.jpg">)"), Links{"a"});
    EXPECT_EQ(ObdelajHTML("<a href=\"a\tb\r\n.jpg\">"), Links{"a\tb\r\n.jpg"});
}

TEST(LinkCollection, EmptyValuesAndRepeatsAreKeptInPageOrder)
{
    EXPECT_EQ(ObdelajHTML(R"(<a href=""><a href="b"><a href="b">)"), (Links{"", "b", "b"}));
    EXPECT_EQ(ObdelajHTML("<a href=>"), Links{""});
}

TEST(LinkCollection, CharacterAfterClosingQuoteIsConsumedAsTheClose)
{
    // The "h" after the quote closes the first value, so the second trigger
    // reads "ref" and is not seen.
    EXPECT_EQ(ObdelajHTML(R"(href="a.jpg"href="b.jpg">)"), Links{"a.jpg"});
    EXPECT_EQ(ObdelajHTML(R"(href="a.jpg" href="b.jpg">)"), (Links{"a.jpg", "b.jpg"}));
}

TEST(LinkCollection, TriggerInsideOtherWordsAndRunningTextStartsAValue)
{
    EXPECT_EQ(ObdelajHTML(R"(<link hreflang="sl">)"), Links{"sl"});
    EXPECT_EQ(ObdelajHTML(R"(<p>see the href list</p><img width=5>)"), Links{"5"});
    // A trigger while a value is collected is part of the value.
    EXPECT_EQ(ObdelajHTML("<a href=xhref=y>"), Links{"xhref=y"});
}

TEST(LinkCollection, UnclosedValuesAtTheEndOfThePageAreNotTaken)
{
    EXPECT_TRUE(ObdelajHTML("<a href=a.jpg").isEmpty());
    EXPECT_TRUE(ObdelajHTML(R"(<a href="a.jpg")").isEmpty());
    EXPECT_TRUE(ObdelajHTML(R"(<a href=")").isEmpty());
    EXPECT_TRUE(ObdelajHTML("<a href").isEmpty());
    EXPECT_TRUE(ObdelajHTML("hre").isEmpty());
    EXPECT_TRUE(ObdelajHTML(QByteArray()).isEmpty());
}

TEST(LinkCollection, NulBytesAreOrdinaryCharacters)
{
    const QByteArray page("x\0href\0=\0a\0.jpg>", 16);
    EXPECT_EQ(ObdelajHTML(page), Links{QByteArray("\0a\0.jpg", 7)});
}

struct PageCase {
    QByteArray page;
    Links expected;
};

// Every img's src, wherever it stands among the tag's attributes. Before,
// the pass took the value after each "g src", so only an src one space
// after the tag name counted, and "g src" anywhere else was taken.
TEST(LinkCollection, ImgSrcIsTheSrcAttributeOfEveryImgTag)
{
    const PageCase cases[] = {
        {R"(<img src="e.jpg">)", {"e.jpg"}},
        {R"(<IMG SRC="e.jpg">)", {"e.jpg"}},
        {R"(<img alt="" src="e.jpg">)", {"e.jpg"}},
        {R"(<img class="x" src="e.jpg" width=3>)", {"e.jpg"}},
        {"<IMG\nSRC=\"e.jpg\"\nALT=\"\">", {"e.jpg"}},
        {"<img\tsrc='e.jpg'>", {"e.jpg"}},
        {"<img  src=e.jpg>", {"e.jpg"}},
        {"<img border=0 src=figures/e.png alt=x>", {"figures/e.png"}},
        {"<img src = \"e.jpg\" />", {"e.jpg"}},
        {"<img/src=e.jpg>", {"e.jpg"}},
        {"<img src=e.jpg/>", {"e.jpg/"}},
        {R"(<img alt='it"s' src="e.jpg">)", {"e.jpg"}},
        {R"(<img src="a>b.jpg">)", {"a>b.jpg"}},
        {R"(<img src="a b.jpg">)", {"a%20b.jpg"}},
        {R"(<img src="  e.jpg ">)", {"e.jpg"}},
        {"<img src=\"a\tb\n.jpg\">", {"a\tb\n.jpg"}},
        {R"(<img src="a&amp;b.jpg">)", {"a&amp;b.jpg"}},
        {R"(<img src="e.jpg" src="f.jpg">)", {"e.jpg"}},
        {R"(<img src="">)", {""}},
        {"<img src>", {""}},
        {R"(<img src="e.jpg"><img src="e.jpg"><img src="f.jpg">)", {"e.jpg", "e.jpg", "f.jpg"}},
        {R"(<!-- <img src="c.jpg"> --><script>x='<img src="s.jpg">'</script>)", {"c.jpg", "s.jpg"}},
        {R"(<img alt="x <img src=a.jpg>" src="b.jpg">)", {"b.jpg"}},
    };
    for (const PageCase &c : cases)
        EXPECT_EQ(ObdelajHTMLImg(c.page), c.expected) << c.page.constData();
}

TEST(LinkCollection, ImgSrcNeverTakesAnotherAttributeOrTag)
{
    const QByteArray pages[] = {
        R"(<img data-src="e.jpg">)",
        R"(<img srcset="e.jpg 2x">)",
        R"(<img alt="src=e.jpg">)",
        R"(<img alt='a src="e.jpg"'>)",
        R"(<img title=src=e.jpg>)",
        R"(<img xsrc="e.jpg">)",
        R"(<svg src="e.jpg">)",
        R"(<imgx src="e.jpg">)",
        R"(<image src="e.jpg">)",
        R"(<p>big src="e.jpg">)",
        R"(&lt;img src="e.jpg"&gt;)",
        R"(<a href="f.jpg">)",
        QByteArray("<img\0src=\"e.jpg\">", 17),
        R"(<img src="e.jpg")",
        R"(<img src="e.jpg)",
        "<img src=e.jpg",
        "<img",
        "",
    };
    for (const QByteArray &page : pages)
        EXPECT_TRUE(ObdelajHTMLImg(page).isEmpty()) << page.constData();
    EXPECT_TRUE(ObdelajHTML(R"(<img src="e.jpg">)").isEmpty());
    // A quote left open in a tag takes the markup up to the next quote.
    EXPECT_EQ(ObdelajHTMLImg(R"(<img src="a.jpg"><img alt="x><img src="b.jpg">)"), Links{"a.jpg"});
}

TEST(LinkCollection, FirstBaseHrefIsTheFirstBaseTagWithAnHref)
{
    const struct {
        QByteArray page;
        bool found;
        QByteArray value;
    } cases[] = {
        {R"(<base href="http://o/d/">)", true, "http://o/d/"},
        {R"(<BASE target=_top HREF='/d/'><base href="x/">)", true, "/d/"},
        {R"(<base target=_top><base href=x/>)", true, "x/"},
        {"<base href>", true, ""},
        {R"(<basefont href="x/"><a href="y/">)", false, ""},
        {R"(<base href="x/")", false, ""},
        {"", false, ""},
    };
    for (const auto &c : cases) {
        const BaseHref base = FirstBaseHref(c.page);
        EXPECT_EQ(base.found, c.found) << c.page.constData();
        EXPECT_EQ(base.value, c.value) << c.page.constData();
    }
}

// Random pages over the characters that matter must give the plain model's
// values exactly.
TEST(LinkCollection, MatchesThePlainModelOnRandomPages)
{
    const Links pieces{"href", "HrEf", "g src", "G SRC", "=", "\"", "'", ">", " ", "\t",
                       "x", ".", QByteArray(1, '\0'), "h", "g ", "hre"};
    std::mt19937 random(4);
    std::uniform_int_distribution<qsizetype> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    qsizetype valuesSeen = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray page;
        for (int n = length(random); n > 0; --n)
            page.append(pieces[pick(random)]);
        const Links href = ObdelajHTML(page);
        ASSERT_EQ(href, ModelCollectLinkValues(page, false)) << page.toPercentEncoding().constData();
        ASSERT_EQ(ObdelajHTMLImg(page), ModelCollectLinkValues(page, true))
            << page.toPercentEncoding().constData();
        valuesSeen += href.size();
    }
    EXPECT_GT(valuesSeen, 5000);   // the pages do exercise the values
}

// Random img tags over the characters that matter must give the plain
// model's sources exactly.
TEST(LinkCollection, ImgSourcesMatchThePlainModelOnRandomPages)
{
    const Links pieces{"<img ", "<IMG\n", "<img", "<im", " ", "\n", " src=", "src", "SRC ", "data-src=",
                       " alt=", "=", "\"", "'", ">", ">", "/", "x", ".jpg", "<", "\t"};
    std::mt19937 random(7);
    std::uniform_int_distribution<qsizetype> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 30);
    qsizetype sourcesSeen = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray page;
        for (int n = length(random); n > 0; --n)
            page.append(pieces[pick(random)]);
        const Links sources = ObdelajHTMLImg(page);
        ASSERT_EQ(sources, ModelImgSources(page)) << page.toPercentEncoding().constData();
        sourcesSeen += sources.size();
    }
    EXPECT_GT(sourcesSeen, 1000);
}

// ---- Type table ------------------------------------------------------------

struct AdmitCase {
    const char *link;
    std::initializer_list<int> admittedBy;
};

TEST(TypeFilter, EveryRowAdmitsItsEndingsUnderItsEntriesOnly)
{
    const AdmitCase cases[] = {
        {"a.jpg", {0, 1, 16}},          {"a.JPEG", {0, 1, 9, 15, 16}},
        {"a.gif", {0, 2, 16}},          {"a.png", {0, 3, 16}},
        {"a.htm", {4, 16}},             {"a.html", {4, 16}},
        {"a.xtml", {4, 16}},            {"a.mp3", {5, 6, 16}},
        {"a.ogg", {5, 7, 16}},          {"a.avi", {8, 15, 16}},
        {"a.mpg", {9, 15, 16}},         {"a.mpeg", {0, 1, 9, 15, 16}},
        {"a.rm", {10, 15, 16}},         {"a.ram", {10, 15, 16}},
        {"a.swf", {11, 15, 16}},        {"a.wmv", {12, 15, 16}},
        {"a.asf", {13, 15, 16}},        {"a.mp4", {14, 15, 16}},
        {"a.jpg?x=1", {16}},            {"mailto:x", {16}},
        {" \t a.gif \r\n", {0, 2, 16}}, {"a.gif\xA0", {16}},
        {"a.", {}},                     {" ab ", {}},
    };
    for (const AdmitCase &c : cases) {
        for (int index = -1; index <= kTypeFilterCount; ++index) {
            const bool expected = std::find(c.admittedBy.begin(), c.admittedBy.end(), index)
                != c.admittedBy.end();
            EXPECT_EQ(FileTypeAdmitsLink(index, c.link), expected)
                << c.link << " under entry " << index;
        }
    }
    EXPECT_EQ(FileTypeFilterCaptions().size(), kTypeFilterCount);
}

TEST(TypeFilter, EndingIsTakenAfterTrimmingBytesUpToSpaceOnly)
{
    EXPECT_EQ(LinkEndingOf(QByteArray("\0a.gIf\x01 ", 8)), (LinkEnding{'G', 'I', 'F'}));
    EXPECT_EQ(LinkEndingOf("x\xE9\xC3"), (LinkEnding{'X', '\xE9', '\xC3'}));
    EXPECT_FALSE(LinkEndingOf("  ab\t").has_value());
    EXPECT_FALSE(LinkEndingOf("").has_value());
}

// ---- Resolution ------------------------------------------------------------

struct ResolveCase {
    const char *raw;
    PageLocation page;
    const char *expected;
};

TEST(LinkResolution, FollowsTheFirstMatchingRule)
{
    const ResolveCase cases[] = {
        {"pics/a.jpg", kFolderX, "http://h/x/pics/a.jpg"},
        {"a.jpg", kRoot, "http://h/a.jpg"},
        {"/img/b.png", kFolderAB, "http://h/img/b.png"},
        {"../c.jpg", kFolderAB, "http://h/a/c.jpg"},
        {"../c.jpg", {"h", "a/"}, "http://h/c.jpg"},
        {"../c.jpg", kRoot, "http://h/c.jpg"},
        {"../../c.jpg", {"h", "a/b/c/"}, "http://h/a/c.jpg"},
        {"../../c.jpg", kFolderAB, "http://h/c.jpg"},
        {"../../../c.jpg", {"h", "a/b/c/"}, "http://h/a/../c.jpg"},
        {"./d.jpg", {"h", "a/"}, "http://h/a/d.jpg"},
        {"./d.jpg", kRoot, "http://h/d.jpg"},
        {"HtTp://Other.ORG/P.jpg", kFolderX, "HtTp://Other.ORG/P.jpg"},
        {"hTTpS://o/p.jpg", kFolderX, "hTTpS://o/p.jpg"},
        {"//o/p.jpg", kFolderX, "http://o/p.jpg"},
        {"//o", kRoot, "http://o"},
        {"http:/o/p.jpg", kRoot, ""},
        {"mailto:me@h", kFolderX, ""},
        {" a.jpg", kRoot, "http://h/ a.jpg"},
        {" mailto:me@h", kRoot, "http://h/ mailto:me@h"},
        {"a/b:c.jpg", kRoot, "http://h/a/b:c.jpg"},
        {"1x:y.jpg", kRoot, "http://h/1x:y.jpg"},
        {"", kFolderX, ""},
    };
    for (const ResolveCase &c : cases)
        EXPECT_EQ(ObdelajEnoPovezavo(c.raw, c.page), QByteArray(c.expected)) << c.raw;
}

TEST(LinkResolution, OnAnHttpsPageEveryRelativeFormKeepsHttps)
{
    const PageLocation page{"h", "a/b/", "https"};
    const ResolveCase cases[] = {
        {"pics/a.jpg", page, "https://h/a/b/pics/a.jpg"},
        {"/img/b.png", page, "https://h/img/b.png"},
        {"./d.jpg", page, "https://h/a/b/d.jpg"},
        {"../c.jpg", page, "https://h/a/c.jpg"},
        {"../../c.jpg", page, "https://h/c.jpg"},
        {"../c.jpg", {"h", "", "https"}, "https://h/c.jpg"},
        {"//cdn.example/a.jpg", page, "https://cdn.example/a.jpg"},
        {"HTTP://o/p.jpg", page, "HTTP://o/p.jpg"},
        {"Https://o/p.jpg", page, "Https://o/p.jpg"},
        {"", page, ""},
    };
    for (const ResolveCase &c : cases)
        EXPECT_EQ(ObdelajEnoPovezavo(c.raw, c.page), QByteArray(c.expected)) << c.raw;
}

TEST(LinkResolution, LinksOfOtherSchemesResolveToNothing)
{
    for (const char *raw : {"mailto:me@h.jpg", "javascript:show('a.jpg')", "data:image/png;base64,AA.png",
                            "ftp://h/a.jpg", "tel:+386-1.jpg", "file:///c/a.jpg", "C:\\pics\\a.jpg",
                            "svn+ssh://h/a.jpg", "x-y.z:a.jpg", "https:/h/a.jpg", "http:a.jpg"}) {
        EXPECT_TRUE(HasForeignScheme(raw)) << raw;
        EXPECT_EQ(ObdelajEnoPovezavo(raw, kFolderX), QByteArray()) << raw;
        EXPECT_EQ(ObdelajEnoPovezavo(raw, {"h", "x/", "https"}), QByteArray()) << raw;
    }
    for (const char *raw : {"a.jpg", "a/b:c.jpg", "./x:y.jpg", "/x:y.jpg", "-x:y.jpg", "x y:z.jpg",
                            "http://h/a.jpg", "HTTPS://h/a.jpg", "//h/a:b.jpg", ""})
        EXPECT_FALSE(HasForeignScheme(raw)) << raw;
}

// With a <base href> every relative value resolves on it by RFC 3986.
TEST(LinkResolution, OnABaseRelativeValuesResolveByRfc3986)
{
    const PageLocation page{"h", "x/", "http", "https://o/d/e/index.html"};
    const ResolveCase cases[] = {
        {"a.jpg", page, "https://o/d/e/a.jpg"},
        {"./a.jpg", page, "https://o/d/e/a.jpg"},
        {"../a.jpg", page, "https://o/d/a.jpg"},
        {"../../../../a.jpg", page, "https://o/a.jpg"},
        {"f/./g/../a.jpg", page, "https://o/d/e/f/a.jpg"},
        {"/a.jpg", page, "https://o/a.jpg"},
        {"//c/a.jpg", page, "https://c/a.jpg"},
        {"?q=1", page, "https://o/d/e/index.html?q=1"},
        {"a.jpg#top", page, "https://o/d/e/a.jpg"},
        {"HTTP://P/A.JPG", page, "HTTP://P/A.JPG"},
        {"mailto:a.jpg", page, ""},
        {"http:a.jpg", page, ""},
        {"", page, ""},
    };
    for (const ResolveCase &c : cases)
        EXPECT_EQ(ObdelajEnoPovezavo(c.raw, c.page), QByteArray(c.expected)) << c.raw;
}

TEST(LinkResolution, TheBaseResolvesAgainstThePageFirst)
{
    const PageLocation page{"h", "a/b/", "https"};
    const struct {
        QByteArray page;
        const char *expected;
    } cases[] = {
        {R"(<base href="http://o/d/">)", "http://o/d/"},
        {R"(<base href="/d/">)", "https://h/d/"},
        {R"(<base href="../d/">)", "https://h/a/d/"},
        {R"(<base href="../../../d/">)", "https://h/d/"},
        {R"(<base href="d">)", "https://h/a/b/d"},
        {R"(<base href="//cdn/d/">)", "https://cdn/d/"},
        {"<base href=\" \td/\n\">", "https://h/a/b/d/"},
        {R"(<base href="d e/">)", "https://h/a/b/d%20e/"},
        {R"(<base href="#top">)", ""},
        {R"(<base href="">)", ""},
        {R"(<base href="ftp://o/d/">)", ""},
        {R"(<base href="javascript:x"><base href="/d/">)", ""},
        {R"(<base target=_top><base href="/d/">)", "https://h/d/"},
        {R"(<a href="a.jpg">)", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PageBaseAddress(c.page, page), QByteArray(c.expected)) << c.page.constData();
}

// ---- Filter pass -----------------------------------------------------------

TEST(LinkFilter, ResolvesAdmittedValuesUntrimmedAndInOrder)
{
    const Links raw{"b.gif", "", "x.txt", "a.jpg\n", "../c.png", "b.gif"};
    const FilteredLinks found = ObdelajPovezave(raw, 0, kFolderAB);
    EXPECT_EQ(found.links, (Links{"http://h/a/b/b.gif", "http://h/a/b/a.jpg\n",
                                  "http://h/a/c.png", "http://h/a/b/b.gif"}));
    EXPECT_FALSE(found.nothingFound);
    EXPECT_EQ(ObdelajPovezave(raw, 16, kFolderAB).links.size(), 5);
}

TEST(LinkFilter, LinksOfOtherSchemesAreNotOfferedAndAloneFindNothing)
{
    const Links raw{"mailto:a.jpg", "b.jpg", "data:c.gif", "//d/e.png", "javascript:f.jpg"};
    const FilteredLinks found = ObdelajPovezave(raw, 0, {"h", "", "https"});
    EXPECT_EQ(found.links, (Links{"https://h/b.jpg", "https://d/e.png"}));
    EXPECT_TRUE(ObdelajPovezave({"mailto:a.jpg", "ftp://h/b.gif"}, 0, kRoot).nothingFound);
}

TEST(LinkFilter, NothingFoundOnlyWhenTheListStaysEmpty)
{
    const Links raw{"a.txt", "", "b.doc"};
    EXPECT_TRUE(ObdelajPovezave(raw, 0, kRoot).nothingFound);
    EXPECT_TRUE(ObdelajPovezave({}, 16, kRoot).nothingFound);
    EXPECT_TRUE(ObdelajPovezave({"a.jpg"}, 17, kRoot).nothingFound);
    // Links appended after earlier ones: the list is not empty.
    EXPECT_FALSE(ObdelajPovezave(raw, 0, kRoot, 3).nothingFound);
}

TEST(LinkFilter, NoFilesFoundMessageInBothLanguages)
{
    EXPECT_EQ(NoFilesFoundMessage(true), QStringLiteral("No files found!"));
    EXPECT_EQ(NoFilesFoundMessage(false),
              QString::fromUtf8("Nisem na\xC5\xA1" "el nobene primerne datoteke!"));
}

// ---- Duplicate removal -----------------------------------------------------

TEST(DuplicateRemoval, FirstOccurrenceStaysCaseCountsEmptiesGo)
{
    Links lines{"", "b", "a", "B", "b", "", "a", "c"};
    OdstraniDuplikatneVrstice(lines);
    EXPECT_EQ(lines, (Links{"b", "a", "B", "c"}));

    QStringList texts{"x", "", "X", "x"};
    OdstraniDuplikatneVrstice(texts);
    EXPECT_EQ(texts, (QStringList{"x", "X"}));
}

TEST(DuplicateRemoval, MatchesThePairwiseRuleOnRandomLists)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> text(0, 6);
    std::uniform_int_distribution<int> length(0, 40);
    const Links words{"", "a", "A", "b", "a ", "\0", "bb"};
    for (int round = 0; round < 2000; ++round) {
        Links lines;
        for (int n = length(random); n > 0; --n)
            lines.append(words[text(random)]);
        const Links expected = ModelRemoveDuplicates(lines);
        OdstraniDuplikatneVrstice(lines);
        ASSERT_EQ(lines, expected);
    }
}

// ---- A whole scan ----------------------------------------------------------

TEST(PageScan, FromPageTextToTheListOfAddresses)
{
    const QByteArray page = R"(<html><a href="pics/a.jpg"><img src="t.gif">
        <a href='../up.JPG'><A HREF=http://o/Z.jpg><a href="pics/a.jpg">
        <a href="doc.pdf"><a href="pics/A.jpg">)";
    EXPECT_EQ(ScanPageLinks(page, LinkAttribute::Href, 0, kFolderX),
              (Links{"http://h/x/pics/a.jpg", "http://h/up.JPG", "http://o/Z.jpg",
                     "http://h/x/pics/A.jpg"}));
    EXPECT_EQ(ScanPageLinks(page, LinkAttribute::ImgSrc, 0, kFolderX),
              Links{"http://h/x/t.gif"});
    EXPECT_TRUE(ScanPageLinks(page, LinkAttribute::Href, 4, kFolderX).isEmpty());
}

// Pages as found: the src of any img, relative links on the page's base.
TEST(PageScan, RealPagesFromTextToTheListOfAddresses)
{
    const struct {
        QByteArray page;
        LinkAttribute attribute;
        Links expected;
    } cases[] = {
        // A manual's figures, with their attributes in any order.
        {R"(<div class="mediaobject"><img src="figures/a.png" alt="a"></div>
            <img alt="" src="../images/b.gif"><IMG
            SRC='c.jpg' BORDER=0><img class=x src=d.jpg><img src="figures/a.png">)",
         LinkAttribute::ImgSrc,
         {"http://h/a/b/figures/a.png", "http://h/a/images/b.gif", "http://h/a/b/c.jpg",
          "http://h/a/b/d.jpg"}},
        // A gallery under a base: links and pictures resolve on it.
        {R"(<head><base href="/gallery/2024/"><base href="/other/"></head>
            <a href="big/1.jpg"><img alt="" src="thumbs/1.jpg"></a>
            <a href="../2023/2.jpg"><img src="//cdn.example/3.jpg"></a>
            <a href="http://o/4.jpg"><a href="mailto:x.jpg">)",
         LinkAttribute::Href,
         {"http://h/gallery/2024/big/1.jpg", "http://h/gallery/2023/2.jpg", "http://o/4.jpg"}},
        {R"(<base href="/gallery/2024/"><img alt="" src="thumbs/1.jpg">
            <img src="//cdn.example/3.jpg"><img src="a%20b.jpg">)",
         LinkAttribute::ImgSrc,
         {"http://h/gallery/2024/thumbs/1.jpg", "http://cdn.example/3.jpg",
          "http://h/gallery/2024/a%20b.jpg"}},
        // A base of another scheme is no base.
        {R"(<base href="javascript:void"><a href="1.jpg">)", LinkAttribute::Href, {"http://h/a/b/1.jpg"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScanPageLinks(c.page, c.attribute, 0, kFolderAB), c.expected) << c.page.constData();
}

} // namespace
