// The run record: the start's presence and version, the closing's running
// time and count of saved files, each written only when it differs.
#include "core/settings/run_record.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kDay = 86'400'000;
constexpr qint64 kStart = 739957 * kDay;

class RunRecord : public ::testing::Test {
protected:
    void SetUp() override { testenv::ClearSettings(); }
    void TearDown() override { testenv::ClearSettings(); }

    // A file as written by hand: a rewrite of the store drops the comment.
    static void WriteByHand(const QByteArray &values)
    {
        QDir().mkpath(QFileInfo(testenv::SettingsFile()).path());
        QFile file(testenv::SettingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("; by hand\n[General]\n" + values);
    }
    static bool Rewritten()
    {
        QFile file(testenv::SettingsFile());
        return !file.open(QIODevice::ReadOnly) || !file.readAll().contains("; by hand");
    }
};

TEST_F(RunRecord, TheStartMarksPresenceAndVersion)
{
    RecordRunStart(QStringLiteral("1.5"));
    EXPECT_EQ(RegReadString(RegistryKey, "prisoten", ""), QStringLiteral("ja"));
    EXPECT_EQ(RegReadString(RegistryKey, "verzija", ""), QStringLiteral("1.5"));
}

TEST_F(RunRecord, TheStartWritesNothingWhenBothAreStoredAlready)
{
    WriteByHand("prisoten=ja\nverzija=1.5\n");
    RecordRunStart(QStringLiteral("1.5"));
    EXPECT_FALSE(Rewritten());
    RecordRunStart(QStringLiteral("1.6"));
    EXPECT_TRUE(Rewritten());
    EXPECT_EQ(RegReadString(RegistryKey, "verzija", ""), QStringLiteral("1.6"));
}

TEST_F(RunRecord, TheClosingAddsThisRunsTimeAndFiles)
{
    WriteByHand("run=600000\ndownload=5\n");
    RecordRunEnd(kStart, kStart + 60'000, 3);
    EXPECT_EQ(RegReadString(RegistryKey, "run", ""), QStringLiteral("660000"));
    EXPECT_EQ(ReadSetting(Settings::Download), 8);
}

TEST_F(RunRecord, AClosingWithNothingToAddWritesNothing)
{
    WriteByHand("run=600000\ndownload=5\n");
    RecordRunEnd(kStart, kStart, 0);
    EXPECT_FALSE(Rewritten());
    EXPECT_EQ(ReadSetting(Settings::Download), 5);
}

TEST_F(RunRecord, AFirstClosingStartsFromNothingAndJunkCountsAsNothing)
{
    RecordRunEnd(kStart, kStart + 120'000, 2);
    EXPECT_EQ(RegReadString(RegistryKey, "run", ""), QStringLiteral("120000"));
    EXPECT_EQ(ReadSetting(Settings::Download), 2);
    WriteByHand("run=junk\ndownload=junk\n");
    RecordRunEnd(kStart, kStart + 60'000, 1);
    EXPECT_EQ(RegReadString(RegistryKey, "run", ""), QStringLiteral("60000"));
    EXPECT_EQ(ReadSetting(Settings::Download), 1);
}

TEST_F(RunRecord, TheCountOfSavedFilesSaturates)
{
    const struct {
        const char *stored;
        qint32 run;
        qint32 total;
    } rows[] = {{"0", 0, 0}, {"12", 4, 16}, {"2147483600", 100, 2147483647}, {"2147483647", 1, 2147483647},
                {"-3", 1, -2}};
    for (const auto &row : rows) {
        RegWriteString(RegistryKey, "download", row.stored);
        EXPECT_EQ(DownloadsWithThisRun(row.run), row.total) << row.stored;
    }
}

TEST_F(RunRecord, StoreIfChangedWritesOnlyAValueThatReadsBackDifferent)
{
    WriteByHand("left=20\n");
    StoreIfChanged(Settings::Left, 20);
    StoreIfChanged(Settings::Top, Settings::Top.defaultValue);  // missing: reads as its default
    StoreIfChanged(Settings::Run, QStringLiteral("0"));
    EXPECT_FALSE(Rewritten());
    StoreIfChanged(Settings::Top, 21);
    EXPECT_TRUE(Rewritten());
    EXPECT_EQ(ReadSetting(Settings::Top), 21);
}

}  // namespace
