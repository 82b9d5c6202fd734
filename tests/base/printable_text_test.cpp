#include "base/printable_text.h"

#include <gtest/gtest.h>

namespace {

QString Printable(const char *utf8) { return PrintableLogLine(QString::fromUtf8(utf8)); }

TEST(PrintableLogLine, TerminalCommandsAndLineBreaksAreWrittenOut)
{
    EXPECT_EQ(Printable("a\x1b]0;title\x07z"), QStringLiteral("a\\x1b]0;title\\x07z"));
    EXPECT_EQ(Printable("Downloading x\x1b[2Jy.jpg"), QStringLiteral("Downloading x\\x1b[2Jy.jpg"));
    EXPECT_EQ(Printable("one\rtwo\nthree"), QStringLiteral("one\\rtwo\\nthree"));
    EXPECT_EQ(Printable("\r\n"), QStringLiteral("\\r\\n"));
    EXPECT_EQ(Printable("del\x7f"), QStringLiteral("del\\x7f"));
    EXPECT_EQ(Printable("\x01\x08\x0b\x0c\x1f"), QStringLiteral("\\x01\\x08\\x0b\\x0c\\x1f"));
}

TEST(PrintableLogLine, NulDoesNotEndTheLine)
{
    const QString line = QStringLiteral("before") + QChar(u'\0') + QStringLiteral("after");
    EXPECT_EQ(PrintableLogLine(line), QStringLiteral("before\\x00after"));
}

TEST(PrintableLogLine, C1ControlsAreWrittenOutButTheLettersAroundThemStay)
{
    // U+009B is the one-character CSI of 8-bit terminals; U+0080 and U+009F
    // are the ends of the range, U+00A0 (no-break space) is past it.
    EXPECT_EQ(Printable("x\xc2\x9b" "31my"), QStringLiteral("x\\u009b31my"));
    EXPECT_EQ(Printable("\xc2\x80\xc2\x9f"), QStringLiteral("\\u0080\\u009f"));
    EXPECT_EQ(Printable("\xc2\xa0\xc2\xbf"), QString::fromUtf8("\xc2\xa0\xc2\xbf"));
}

TEST(PrintableLogLine, OrdinaryTextTabsAndBackslashesStayAsTheyAre)
{
    for (const char *text : {"", "Page loaded.", "Dol vlečem sliko čšž.jpg -> /tmp/ŠĐ/", "日本語 🙂 ok",
                             "tab\tseparated\tvalues", "C:\\path\\x1b is text", "~!@#$%^&*()_+{}|:<>?"}) {
        EXPECT_EQ(Printable(text), QString::fromUtf8(text)) << text;
    }
}

TEST(PrintableLogLine, EscapedLineHoldsNoControlCharacterAtAll)
{
    QString every;
    for (char16_t c = 0; c < 0x100; ++c)
        every += QChar(c);
    const QString printable = PrintableLogLine(every);
    for (const QChar c : printable) {
        const char16_t u = c.unicode();
        EXPECT_TRUE(u == u'\t' || (u >= 0x20 && u < 0x7f) || u > 0x9f) << int(u);
    }
    EXPECT_TRUE(printable.contains(QStringLiteral("\\x1b")));
    EXPECT_TRUE(printable.contains(QStringLiteral("\\u0085")));
}

}  // namespace
