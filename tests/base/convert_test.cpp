#include "base/convert.h"
#include "base/errors.h"

#include <gtest/gtest.h>

namespace {

TEST(Convert, TryStrToIntAcceptsSignedDecimalAndHexWithBlanks)
{
    EXPECT_EQ(TryStrToInt("180"), 180);
    EXPECT_EQ(TryStrToInt(" -5 "), -5);
    EXPECT_EQ(TryStrToInt("+7"), 7);
    EXPECT_EQ(TryStrToInt("010"), 10);
    EXPECT_EQ(TryStrToInt("$ff"), 255);
    EXPECT_EQ(TryStrToInt("0x10"), 16);
    EXPECT_EQ(TryStrToInt("2147483647"), 2147483647);
    EXPECT_EQ(TryStrToInt("-2147483648"), -2147483647 - 1);
}

TEST(Convert, TryStrToIntRefusesEverythingElse)
{
    for (const char *bad : {"", " ", "-", "+", "abc", "1a", "1 2", "1.5", "2147483648", "-2147483649",
                            "99999999999999999999", "$", "0x", "１２"})
        EXPECT_FALSE(TryStrToInt(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST(Convert, StrToIntRaisesTheConversionErrorWithTheText)
{
    try {
        StrToInt(QStringLiteral("abc"));
        FAIL() << "no exception";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("'abc' is not a valid integer value"));
    }
}

TEST(Convert, WholeNumberTextsOfTheStatistics)
{
    EXPECT_EQ(TryStrToInt64Number("63902947200000"), 63902947200000LL);
    EXPECT_EQ(TryStrToInt64Number("1.5E3"), 1500);
    EXPECT_FALSE(TryStrToInt64Number("nan").has_value());
    EXPECT_FALSE(TryStrToInt64Number("1e300").has_value());
    EXPECT_FALSE(TryStrToInt64Number("x").has_value());
    EXPECT_EQ(NumberText(1800000), QStringLiteral("1800000"));
}

}  // namespace
