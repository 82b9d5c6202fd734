// The failure messages of every test program: how Qt's text types print.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

using ::testing::PrintToString;

TEST(QtPrinters, AStringPrintsAsQuotedUtf8WithControlsEscaped)
{
    EXPECT_EQ(PrintToString(QStringLiteral("Stop")), "\"Stop\"");
    EXPECT_EQ(PrintToString(QString()), "\"\"");
    EXPECT_EQ(PrintToString(QStringLiteral("Naloži čšž")), "\"Naloži čšž\"");
    EXPECT_EQ(PrintToString(QStringLiteral("a\r\nb\tc")), "\"a\\r\\nb\\tc\"");
    EXPECT_EQ(PrintToString(QStringLiteral("say \"\\\"")), "\"say \\\"\\\\\\\"\"");
    EXPECT_EQ(PrintToString(QString(QChar(0)) + "\x1b[m\x7f"), "\"\\x00\\x1B[m\\x7F\"");
    EXPECT_EQ(PrintToString(QString(QChar(0x85))), "\"\\u0085\"");  // a C1 control
    // A hex digit after a \x escape starts a new literal.
    EXPECT_EQ(PrintToString(QStringLiteral("\x01" "Ag")), "\"\\x01\" \"Ag\"");
    // A pair of surrogates is one character; an unpaired one has no UTF-8.
    EXPECT_EQ(PrintToString(QString::fromUtf8("\xf0\x9f\x98\x80")), "\"\xf0\x9f\x98\x80\"");
    EXPECT_EQ(PrintToString(QString(QChar(0xd800)) + "x"), "\"\\uD800x\"");
}

TEST(QtPrinters, BytesPrintAsACStringLiteral)
{
    EXPECT_EQ(PrintToString(QByteArray("GET / HTTP/1.0\r\n")), "\"GET / HTTP/1.0\\r\\n\"");
    EXPECT_EQ(PrintToString(QByteArray("a\0\xff\"\\", 5)), "\"a\\x00\\xFF\\\"\\\\\"");
    EXPECT_EQ(PrintToString(QByteArray("\x01" "b" "\x02" "g")), "\"\\x01\" \"b\\x02g\"");
    EXPECT_EQ(PrintToString(QByteArray()), "\"\"");
}

TEST(QtPrinters, ListsPrintTheirElements)
{
    EXPECT_EQ(PrintToString(QStringList{"a", "b\n"}), "{\"a\", \"b\\n\"}");
    EXPECT_EQ(PrintToString(QStringList{}), "{}");
    EXPECT_EQ(PrintToString(QList<QByteArray>{"x", "y"}), "{ \"x\", \"y\" }");
}

TEST(QtPrinters, AFailedComparisonShowsTheText)
{
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(QStringLiteral("Stop"), QStringLiteral("Start")), "Which is: \"Start\"");
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(QByteArray("a\r\n"), QByteArray("a\n")), "Which is: \"a\\r\\n\"");
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(QStringList{"a"}, QStringList{}), "Which is: {\"a\"}");
}

}  // namespace
