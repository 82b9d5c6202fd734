#include "scan/link_scanner.h"
#include "scan/type_filter.h"
#include "tests/scan/link_collector_model.h"

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

TEST(LinkCollection, ImgSrcNeedsExactlyOneSpaceAfterTheTagName)
{
    EXPECT_EQ(ObdelajHTMLImg(R"(<img src="e.jpg">)"), Links{"e.jpg"});
    EXPECT_EQ(ObdelajHTMLImg(R"(<IMG SRC="e.jpg">)"), Links{"e.jpg"});
    EXPECT_TRUE(ObdelajHTMLImg(R"(<img alt="x" src="e.jpg">)").isEmpty());
    EXPECT_TRUE(ObdelajHTMLImg(R"(<img  src="e.jpg">)").isEmpty());
    EXPECT_TRUE(ObdelajHTMLImg(QByteArray("<img\0src=\"e.jpg\">", 17)).isEmpty());
    EXPECT_TRUE(ObdelajHTMLImg(R"(<a href="f.jpg">)").isEmpty());
    EXPECT_TRUE(ObdelajHTML(R"(<img src="e.jpg">)").isEmpty());
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

} // namespace
