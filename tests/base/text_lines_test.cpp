#include "base/text_lines.h"

#include <gtest/gtest.h>

namespace {

using Lines = QList<QByteArray>;

TEST(SplitLines, EachOfCrLfAndCrLfEndsOneLine)
{
    EXPECT_EQ(SplitLines("a\rb"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitLines("a\rb\nc\r\nd"), (Lines{"a", "b", "c", "d"}));
    // LF CR is two line ends, as is CR CR LF.
    EXPECT_EQ(SplitLines("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\r\nb"), (Lines{"a", "", "b"}));
}

TEST(SplitLines, AFinalLineEndAddsNoLineButEmptyLinesAreKept)
{
    EXPECT_EQ(SplitLines("a\r\n"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\n"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\r"), Lines{"a"});  // a lone CR at the very end
    EXPECT_EQ(SplitLines("a"), Lines{"a"});
    EXPECT_EQ(SplitLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitLines("\n"), Lines{""});
    EXPECT_EQ(SplitLines("\r\n\r\n\r\n"), (Lines{"", "", ""}));
    EXPECT_EQ(SplitLines("\nz"), (Lines{"", "z"}));
}

TEST(SplitLines, EmptyTextHasNoLines)
{
    EXPECT_TRUE(SplitLines("").isEmpty());
    EXPECT_TRUE(SplitLines(QByteArray()).isEmpty());
}

TEST(SplitLines, OnlyCrAndLfBreakALine)
{
    const char raw[] = "  tab\there\fform\vfeed \0nul \xc4\x8d\n";
    const QByteArray text(raw, sizeof raw - 1);
    EXPECT_EQ(SplitLines(text), Lines{text.chopped(1)});
}

TEST(JoinLinesCrLf, EndsEveryLineWithCrLf)
{
    EXPECT_EQ(JoinLinesCrLf({}), QByteArray());
    EXPECT_EQ(JoinLinesCrLf({""}), QByteArray("\r\n"));
    EXPECT_EQ(JoinLinesCrLf({"a", "", "b c"}), QByteArray("a\r\n\r\nb c\r\n"));
}

TEST(JoinLinesCrLf, SplittingTheJoinedTextGivesTheLinesBack)
{
    for (const Lines &lines : {Lines{}, Lines{""}, Lines{"", ""}, Lines{"a", "", "b"}, Lines{"x", ""},
                               Lines{"", "y"}, Lines{QByteArray("n\0l", 3)}})
        EXPECT_EQ(SplitLines(JoinLinesCrLf(lines)), lines);
}

TEST(SingleLineOf, KeepsTheTextUpToTheFirstLineBreak)
{
    EXPECT_EQ(SingleLineOf(QStringLiteral("site.si/x/")), QStringLiteral("site.si/x/"));
    EXPECT_EQ(SingleLineOf(QStringLiteral("a\r\nb")), QStringLiteral("a"));
    EXPECT_EQ(SingleLineOf(QStringLiteral("a\nb\rc")), QStringLiteral("a"));
    EXPECT_EQ(SingleLineOf(QStringLiteral("čšž\rrest")), QStringLiteral("čšž"));
    EXPECT_EQ(SingleLineOf(QStringLiteral("\nb")), QString());
    EXPECT_EQ(SingleLineOf(QString()), QString());
    EXPECT_EQ(SingleLineOf(QStringLiteral(" a\tb ")), QStringLiteral(" a\tb "));
}

}  // namespace
