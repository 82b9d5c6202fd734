#include "core/settings/settings_values.h"
#include "tests/support/test_environment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <thread>


namespace {

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { testenv::ClearSettings(); }
    void TearDown() override
    {
        // Back to the test environment's own folder after a redirect.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, testenv::Root() + "/config");
        testenv::ClearSettings();
    }

    static void WriteFile(const QByteArray &contents)
    {
        QDir().mkpath(QFileInfo(testenv::SettingsFile()).path());
        QFile file(testenv::SettingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
};

TEST_F(SettingsStore, MissingValuesGiveTheCallersDefault)
{
    EXPECT_EQ(RegReadInteger(RegistryKey, "left", 20), 20);
    EXPECT_EQ(RegReadString(RegistryKey, "proxyIP", "192.168.0.1"), QStringLiteral("192.168.0.1"));
}

TEST_F(SettingsStore, ValuesLandInTheNativeFileUnderTheOrganisationFolder)
{
    RegWriteInteger(RegistryKey, "timeout", 180);
    RegWriteString(RegistryKey, "startdir", QStringLiteral("/tmp/slike čšž"));
    EXPECT_EQ(RegReadInteger(RegistryKey, "timeout", 0), 180);
    EXPECT_EQ(RegReadString(RegistryKey, "timeout", "x"), QStringLiteral("180"));
    EXPECT_EQ(RegReadString(RegistryKey, "startdir", ""), QStringLiteral("/tmp/slike čšž"));

    QFile file(testenv::SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "expected " << testenv::SettingsFile().toStdString();
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[General]"));
    EXPECT_TRUE(text.contains("timeout=180"));
}

TEST_F(SettingsStore, IntegersThatAreNotIntegersGiveTheDefault)
{
    RegWriteString(RegistryKey, "width", "abc");
    RegWriteString(RegistryKey, "height", "12x");
    RegWriteString(RegistryKey, "top", "99999999999");
    RegWriteString(RegistryKey, "left", "");
    EXPECT_EQ(RegReadInteger(RegistryKey, "width", 670), 670);
    EXPECT_EQ(RegReadInteger(RegistryKey, "height", 488), 488);
    EXPECT_EQ(RegReadInteger(RegistryKey, "top", 20), 20);
    EXPECT_EQ(RegReadInteger(RegistryKey, "left", 20), 20);
    EXPECT_EQ(RegReadString(RegistryKey, "width", "d"), QStringLiteral("abc"));
}

TEST_F(SettingsStore, AStringNeverShowsAnythingFromItsFirstNulOn)
{
    RegWriteString(RegistryKey, "verzija", QStringLiteral("1.5"));
    EXPECT_EQ(RegReadString(RegistryKey, "verzija", ""), QStringLiteral("1.5"));
    WriteFile("[General]\nverzija=1.5\\0junk\n");
    EXPECT_EQ(RegReadString(RegistryKey, "verzija", ""), QStringLiteral("1.5"));
}

TEST_F(SettingsStore, AJunkFileGivesDefaultsAndNoCrash)
{
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 7919) & 0xff));
    WriteFile(junk + "\n[General\nleft=@Variant(\\0\\0\\0\\x7f\\0\\0)\nwidth=1,2,3\n=\n");
    EXPECT_EQ(RegReadInteger(RegistryKey, "left", 20), 20);
    EXPECT_EQ(RegReadInteger(RegistryKey, "width", 670), 670);
    EXPECT_EQ(RegReadString(RegistryKey, "jezik", "1"), QStringLiteral("1"));
}

TEST_F(SettingsStore, AnUnreadableStoreGivesDefaultsAndIgnoresWrites)
{
    // A folder where the settings file should be: neither readable nor writable as a file.
    ASSERT_TRUE(QDir().mkpath(testenv::SettingsFile()));
    RegWriteInteger(RegistryKey, "left", 5);
    EXPECT_EQ(RegReadInteger(RegistryKey, "left", 20), 20);
    QDir(testenv::SettingsFile()).removeRecursively();
}

TEST_F(SettingsStore, AFolderThatCannotBeCreatedMeansDefaultsAndNoEffect)
{
    // A plain file where the settings folder should be.
    const QString blocker = testenv::NewFolder("blocked") + "/file";
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, blocker);
    RegWriteInteger(RegistryKey, "download", 7);
    EXPECT_EQ(RegReadInteger(RegistryKey, "download", 0), 0);
    EXPECT_EQ(RegReadString(RegistryKey, "run", "0"), QStringLiteral("0"));
}

static QByteArray FileText()
{
    QFile file(testenv::SettingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(SettingsStore, ABatchRewritesTheFileOnceAtItsEndAndItsReadsSeeItsWrites)
{
    RegWriteInteger(RegistryKey, "left", 5);
    const QByteArray before = FileText();
    {
        const TSettingsWriteBatch outer;
        RegWriteInteger(RegistryKey, "left", 7);
        {
            const TSettingsWriteBatch inner;  // part of the outer one
            RegWriteString(RegistryKey, "run", QStringLiteral("1234"));
        }
        EXPECT_EQ(FileText(), before) << "an inner batch wrote at its end";
        EXPECT_EQ(RegReadInteger(RegistryKey, "left", 20), 7);
        EXPECT_EQ(RegReadString(RegistryKey, "run", "0"), QStringLiteral("1234"));
    }
    const QByteArray after = FileText();
    EXPECT_TRUE(after.contains("left=7")) << after.constData();
    EXPECT_TRUE(after.contains("run=1234")) << after.constData();
    // Out of the batch, each write is on disk at once again.
    RegWriteInteger(RegistryKey, "top", 3);
    EXPECT_TRUE(FileText().contains("top=3"));
}

TEST_F(SettingsStore, ABatchOnAnUnwritableStoreIgnoresItsWritesAndGivesDefaults)
{
    ASSERT_TRUE(QDir().mkpath(testenv::SettingsFile()));
    {
        const TSettingsWriteBatch batch;
        RegWriteInteger(RegistryKey, "left", 5);
        EXPECT_EQ(RegReadInteger(RegistryKey, "left", 20), 20);
    }
    EXPECT_EQ(RegReadInteger(RegistryKey, "left", 20), 20);
    EXPECT_TRUE(QFileInfo(testenv::SettingsFile()).isDir());
    QDir(testenv::SettingsFile()).removeRecursively();
}

TEST_F(SettingsStore, ABatchOnOneThreadLeavesAnotherThreadsWritesImmediate)
{
    const TSettingsWriteBatch batch;
    std::thread([] { RegWriteInteger(RegistryKey, "width", 640); }).join();
    EXPECT_TRUE(FileText().contains("width=640"));
}

TEST(TimeStamp, CountsDaysFromTheFirstOfJanuaryOfYearOne)
{
    const QTime fiveMs(0, 0, 0, 5);
    EXPECT_EQ(TimeStampMsecs(QDateTime(QDate(1, 1, 1), fiveMs)), 86'400'000LL + 5);
    EXPECT_EQ(TimeStampMsecs(QDateTime(QDate(2026, 12, 7), QTime(0, 0))), 739957LL * 86'400'000LL);
    EXPECT_EQ(TimeStampMsecs(QDateTime(QDate(2000, 3, 1), QTime(12, 0, 0, 250))),
              730180LL * 86'400'000LL + 12 * 3'600'000LL + 250);
}

TEST(TimeStamp, NowIsCloseToTheLocalClock)
{
    const qint64 before = TimeStampMsecs(QDateTime::currentDateTime());
    const qint64 now = TimeStampMsecs();
    const qint64 after = TimeStampMsecs(QDateTime::currentDateTime());
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
    EXPECT_GT(now, 739000LL * 86'400'000LL);
}

}  // namespace

namespace {

TEST(SettingsValues, TheTableGivesItsDefaultsOnAFirstStart)
{
    testenv::ClearSettings();
    EXPECT_EQ(ReadSetting(Settings::Left), 20);
    EXPECT_EQ(ReadSetting(Settings::Height), 560);  // room for eight lines of log
    EXPECT_EQ(ReadSetting(Settings::TimeOut), 180);
    EXPECT_EQ(ReadSetting(Settings::Jezik), 1);
    EXPECT_EQ(ReadSetting(Settings::Preview), 1);
    EXPECT_EQ(ReadSetting(Settings::PreviewLeft), 644);
    EXPECT_EQ(ReadSetting(Settings::ProxyIP), QStringLiteral("192.168.0.1"));
    EXPECT_EQ(ReadSetting(Settings::ProxyPort), QStringLiteral("80"));
    EXPECT_EQ(ReadSetting(Settings::Install), QStringLiteral("0"));
    WriteSetting(Settings::Download, 12);
    WriteSetting(Settings::Run, QStringLiteral("1800000"));
    EXPECT_EQ(ReadSetting(Settings::Download), 12);
    EXPECT_EQ(ReadSetting(Settings::Run), QStringLiteral("1800000"));
    testenv::ClearSettings();
}

}  // namespace
