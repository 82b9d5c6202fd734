#include "core/statistics.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 kDay = 86'400'000;
constexpr qint64 kNow = 739957 * kDay + 12 * 3'600'000;

TEST(Statistics, DaysSinceTheInstallStampRoundDown)
{
    EXPECT_EQ(DaysInstalled("0", kNow), QStringLiteral("0"));
    EXPECT_EQ(DaysInstalled(QString::number(kNow - 3 * kDay - 1), kNow), QStringLiteral("3"));
    EXPECT_EQ(DaysInstalled(QString::number(kNow - kDay + 1), kNow), QStringLiteral("0"));
    // The clock was set back: a negative count.
    EXPECT_EQ(DaysInstalled(QString::number(kNow + kDay / 2), kNow), QStringLiteral("-1"));
    // A stamp that is not a number counts as not recorded.
    EXPECT_EQ(DaysInstalled("yesterday", kNow), QStringLiteral("0"));
}

TEST(Statistics, MinutesRoundToTheNearestWithHalvesToEven)
{
    EXPECT_EQ(MinutesRunning("0", kNow - 90'000, kNow), QStringLiteral("2"));  // 1.5 -> 2
    EXPECT_EQ(MinutesRunning("0", kNow - 30'000, kNow), QStringLiteral("0"));  // 0.5 -> 0
    EXPECT_EQ(MinutesRunning("0", kNow - 150'000, kNow), QStringLiteral("2"));  // 2.5 -> 2
    EXPECT_EQ(MinutesRunning("600000", kNow - 60'000, kNow), QStringLiteral("11"));
    EXPECT_EQ(MinutesRunning("junk", kNow - 60'000, kNow), QStringLiteral("1"));
}

TEST(Statistics, RunningTimeAccumulatesAcrossRuns)
{
    QString run = AccumulatedRunText("0", kNow, kNow + 600'000);
    run = AccumulatedRunText(run, kNow, kNow + 1'200'000);
    EXPECT_EQ(run, QStringLiteral("1800000"));
}

TEST(Statistics, TheSentenceReadsAsTheAboutTabShowsIt)
{
    EXPECT_EQ(StatisticSentence("0", "0", 0),
              QStringLiteral("Grabulo has been installed for 0 days, has been running for 0 minutes and has been "
                             "used for downloading 0 pictures. Do you think it is time to:"));
    EXPECT_EQ(StatisticSentence("1", "1", 1),
              QStringLiteral("Grabulo has been installed for 1 day, has been running for 1 minute and has been "
                             "used for downloading 1 picture. Do you think it is time to:"));
    EXPECT_EQ(StatisticSentence("2", "11", 21, false),
              QString::fromUtf8("Dni od namestitve: 2, minut delovanja: 11, prenesenih slik: 21. Je morda čas, da:"));
}

TEST(Statistics, AnEnglishCountIsSingularOnlyForOne)
{
    const struct {
        const char *count, *expected;
    } cases[] = {{"0", "0 minutes"}, {"1", "1 minute"}, {"2", "2 minutes"}, {"11", "11 minutes"},
                 {"-1", "-1 minutes"}, {"21", "21 minutes"}};
    for (const auto &c : cases)
        EXPECT_EQ(EnglishCount(QString::fromLatin1(c.count), "minute", "minutes"), QString::fromLatin1(c.expected));
}

}  // namespace
