// The settings in force: what each stored text reads as, what a save for
// the next run writes, and when Changed() is emitted.
#include "core/program_folder.h"
#include "tests/support/settings_printer.h"
#include "core/settings/settings.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

namespace {

struct Stored {
    const char *key;
    const char *text;
};

// Stored texts -> the values read: the defaults with one change.
struct ReadRow {
    const char *name;
    std::vector<Stored> stored;
    std::function<void(TSettingsValues &)> expect;
};

void PrintTo(const ReadRow &row, std::ostream *out)
{
    *out << row.name;
}

TSettingsValues Defaults()
{
    TSettingsValues v;
    v.startDir = DefaultSaveFolder();
    return v;
}

void Store(const std::vector<Stored> &stored)
{
    QSettings file(testenv::SettingsFile(), QSettings::IniFormat);
    for (const Stored &s : stored)
        file.setValue(QString::fromLatin1(s.key), QString::fromUtf8(s.text));
}

class ReadingTheStore : public ::testing::TestWithParam<ReadRow> {
protected:
    void SetUp() override { testenv::ClearSettings(); }
    void TearDown() override { testenv::ClearSettings(); }
};

TEST_P(ReadingTheStore, GivesTheCheckedValue)
{
    Store(GetParam().stored);
    TSettingsValues expected = Defaults();
    GetParam().expect(expected);
    EXPECT_EQ(ReadStoredSettings(), expected);
}

const ReadRow kReadRows[] = {
    {"nothing stored", {}, [](TSettingsValues &) {}},
    {"startdir", {{"startdir", "/tmp/slike čšž"}}, [](TSettingsValues &v) { v.startDir = "/tmp/slike čšž"; }},
    {"timeout", {{"timeout", "60"}}, [](TSettingsValues &v) { v.timeOut = 60; }},
    {"timeout hex", {{"timeout", "$3C"}}, [](TSettingsValues &v) { v.timeOut = 60; }},
    {"timeout 0x", {{"timeout", "0x3c"}}, [](TSettingsValues &v) { v.timeOut = 60; }},
    {"timeout largest", {{"timeout", "2147483647"}}, [](TSettingsValues &v) { v.timeOut = 2147483647; }},
    {"timeout zero", {{"timeout", "0"}}, [](TSettingsValues &) {}},
    {"timeout negative", {{"timeout", "-5"}}, [](TSettingsValues &) {}},
    {"timeout not a number", {{"timeout", "3 min"}}, [](TSettingsValues &) {}},
    {"timeout too big", {{"timeout", "2147483648"}}, [](TSettingsValues &) {}},
    {"delay", {{"delay", "5"}}, [](TSettingsValues &v) { v.delay = 5; }},
    {"delay negative", {{"delay", "-3"}}, [](TSettingsValues &v) { v.delay = -3; }},
    {"delay hex", {{"delay", "$a"}}, [](TSettingsValues &v) { v.delay = 10; }},
    {"delay not a number", {{"delay", "x"}}, [](TSettingsValues &) {}},
    {"proxy on, no host stored", {{"proxy", "1"}}, [](TSettingsValues &v) { v.proxy = true; }},
    {"proxy on with host and port",
     {{"proxy", "1"}, {"proxyIP", "10.0.0.9"}, {"proxyport", "80a"}},
     [](TSettingsValues &v) {
         v.proxy = true;
         v.proxyHost = "10.0.0.9";
         v.proxyPort = "80a";  // as typed: checked where it is used
     }},
    {"proxy off keeps the default host", {{"proxy", "0"}, {"proxyIP", "10.0.0.9"}, {"proxyport", "3128"}},
     [](TSettingsValues &) {}},
    {"proxy 2 is off", {{"proxy", "2"}, {"proxyIP", "10.0.0.9"}}, [](TSettingsValues &) {}},
    {"proxy hex 1 is on", {{"proxy", "0x1"}}, [](TSettingsValues &v) { v.proxy = true; }},
    {"keepalive", {{"keepalive", "1"}}, [](TSettingsValues &v) { v.keepAlive = true; }},
    {"keepalive negative", {{"keepalive", "-1"}}, [](TSettingsValues &) {}},
    {"keepalive not a number", {{"keepalive", "yes"}}, [](TSettingsValues &) {}},
    {"parallel most", {{"parallel", "8"}}, [](TSettingsValues &v) { v.parallel = 8; }},
    {"parallel hex", {{"parallel", "$4"}}, [](TSettingsValues &v) { v.parallel = 4; }},
    {"parallel above", {{"parallel", "9"}}, [](TSettingsValues &) {}},
    {"parallel zero", {{"parallel", "0"}}, [](TSettingsValues &) {}},
    {"parallel negative", {{"parallel", "-2"}}, [](TSettingsValues &) {}},
    {"parallel not a number", {{"parallel", "many"}}, [](TSettingsValues &) {}},
    {"lowspeed", {{"lowspeed", "45"}}, [](TSettingsValues &v) { v.lowSpeed = 45; }},
    {"lowspeed most", {{"lowspeed", "3600"}}, [](TSettingsValues &v) { v.lowSpeed = 3600; }},
    {"lowspeed above", {{"lowspeed", "3601"}}, [](TSettingsValues &) {}},
    {"lowspeed negative", {{"lowspeed", "-1"}}, [](TSettingsValues &) {}},
    {"lowspeed not a number", {{"lowspeed", "1s"}}, [](TSettingsValues &) {}},
    {"modernpages", {{"modernpages", "1"}}, [](TSettingsValues &v) { v.modernPages = true; }},
    {"modernpages 2 is off", {{"modernpages", "2"}}, [](TSettingsValues &) {}},
    {"skipsaved", {{"skipsaved", "1"}}, [](TSettingsValues &v) { v.skipSaved = true; }},
    {"http2 off", {{"http2", "0"}}, [](TSettingsValues &v) { v.http2 = false; }},
    {"http2 2 is off", {{"http2", "2"}}, [](TSettingsValues &v) { v.http2 = false; }},
    {"minwidth", {{"minwidth", "400"}}, [](TSettingsValues &v) { v.minWidth = 400; }},
    {"minheight most", {{"minheight", "100000"}}, [](TSettingsValues &v) { v.minHeight = 100000; }},
    {"minheight above is off", {{"minheight", "100001"}}, [](TSettingsValues &) {}},
    {"minwidth negative is off", {{"minwidth", "-1"}}, [](TSettingsValues &) {}},
    {"minwidth not a number is off", {{"minwidth", "4k"}}, [](TSettingsValues &) {}},
    {"find embedded", {{"find", "1"}}, [](TSettingsValues &v) { v.find = 1; }},
    {"find both", {{"find", "2"}}, [](TSettingsValues &v) { v.find = 2; }},
    {"find above is links", {{"find", "3"}}, [](TSettingsValues &) {}},
    {"find negative is links", {{"find", "-1"}}, [](TSettingsValues &) {}},
    {"find not a number is links", {{"find", "both"}}, [](TSettingsValues &) {}},
    {"cookies file", {{"cookies", "/home/u/cookies.txt"}}, [](TSettingsValues &v) { v.cookies = "/home/u/cookies.txt"; }},
    {"wait", {{"wait", "5"}}, [](TSettingsValues &v) { v.wait = 5; }},
    {"wait most", {{"wait", "3600"}}, [](TSettingsValues &v) { v.wait = 3600; }},
    {"wait above is none", {{"wait", "3601"}}, [](TSettingsValues &) {}},
    {"wait negative is none", {{"wait", "-1"}}, [](TSettingsValues &) {}},
    {"wait not a number is none", {{"wait", "1s"}}, [](TSettingsValues &) {}},
    {"pages", {{"pages", "5"}}, [](TSettingsValues &v) { v.pages = 5; }},
    {"pages most", {{"pages", "1000"}}, [](TSettingsValues &v) { v.pages = 1000; }},
    {"pages above is one", {{"pages", "1001"}}, [](TSettingsValues &) {}},
    {"pages zero is one", {{"pages", "0"}}, [](TSettingsValues &) {}},
    {"pages not a number is one", {{"pages", "all"}}, [](TSettingsValues &) {}},
    {"ratelimit", {{"ratelimit", "300"}}, [](TSettingsValues &v) { v.rateLimit = 300; }},
    {"ratelimit most", {{"ratelimit", "1048576"}}, [](TSettingsValues &v) { v.rateLimit = 1048576; }},
    {"ratelimit above is none", {{"ratelimit", "1048577"}}, [](TSettingsValues &) {}},
    {"ratelimit negative is none", {{"ratelimit", "-1"}}, [](TSettingsValues &) {}},
    {"ratelimit not a number is none", {{"ratelimit", "300k"}}, [](TSettingsValues &) {}},
    {"filter with a limit", {{"filter", "1"}, {"velikost", "2048"}},
     [](TSettingsValues &v) {
         v.sizeFilter = true;
         v.sizeLimit = 2048;
     }},
    {"filter, hex limit", {{"filter", "1"}, {"velikost", "$10"}},
     [](TSettingsValues &v) {
         v.sizeFilter = true;
         v.sizeLimit = 16;
     }},
    {"filter, negative limit", {{"filter", "1"}, {"velikost", "-5"}},
     [](TSettingsValues &v) {
         v.sizeFilter = true;
         v.sizeLimit = -5;
     }},
    {"filter, limit not a number", {{"filter", "1"}, {"velikost", "2k"}}, [](TSettingsValues &v) { v.sizeFilter = true; }},
    {"filter, no limit stored", {{"filter", "1"}}, [](TSettingsValues &v) { v.sizeFilter = true; }},
    {"filter off reads no limit", {{"filter", "0"}, {"velikost", "2048"}}, [](TSettingsValues &) {}},
    {"filter not a number", {{"filter", "on"}, {"velikost", "2048"}}, [](TSettingsValues &) {}},
};

INSTANTIATE_TEST_SUITE_P(EachSetting, ReadingTheStore, ::testing::ValuesIn(kReadRows));

// Values -> the texts a save for the next run leaves in the store; null:
// not written.
struct StoreRow {
    const char *name;
    std::function<void(TSettingsValues &)> change;
    std::vector<Stored> expected;
};

void PrintTo(const StoreRow &row, std::ostream *out)
{
    *out << row.name;
}

class SavingForTheNextRun : public ::testing::TestWithParam<StoreRow> {
protected:
    void SetUp() override { testenv::ClearSettings(); }
    void TearDown() override { testenv::ClearSettings(); }
};

TEST_P(SavingForTheNextRun, WritesTheKeysOfItsCase)
{
    TSettingsValues values = Defaults();
    values.startDir = "/tmp/shrani";
    GetParam().change(values);
    TSettings settings;
    settings.Set(values);
    settings.StoreForNextRun();
    const QSettings file(testenv::SettingsFile(), QSettings::IniFormat);
    for (const Stored &s : GetParam().expected) {
        const QString key = QString::fromLatin1(s.key);
        if (s.text)
            EXPECT_EQ(file.value(key).toString(), QString::fromUtf8(s.text)) << s.key;
        else
            EXPECT_FALSE(file.contains(key)) << s.key;
    }
    EXPECT_FALSE(file.contains("modernpages")) << "stored when ticked, not by a save";
    TSettingsValues readBack = values;
    readBack.modernPages = false;
    EXPECT_EQ(ReadStoredSettings(), readBack) << "what was saved reads back";
}

const StoreRow kStoreRows[] = {
    {"defaults", [](TSettingsValues &) {},
     {{"startdir", "/tmp/shrani"}, {"timeout", "180"}, {"delay", "0"}, {"proxy", "0"}, {"proxyIP", nullptr},
      {"proxyport", nullptr}, {"keepalive", "0"}, {"parallel", "1"}, {"lowspeed", "0"}, {"skipsaved", "0"},
      {"filter", "0"}, {"velikost", nullptr}, {"find", "0"}, {"http2", "1"}}},
    {"proxy on",
     [](TSettingsValues &v) {
         v.proxy = true;
         v.proxyHost = "px";
         v.proxyPort = "080";
     },
     {{"proxy", "1"}, {"proxyIP", "px"}, {"proxyport", "080"}}},
    {"filter on",
     [](TSettingsValues &v) {
         v.sizeFilter = true;
         v.sizeLimit = 10;
     },
     {{"filter", "1"}, {"velikost", "10"}, {"proxyIP", nullptr}}},
    {"every number",
     [](TSettingsValues &v) {
         v.timeOut = 60;
         v.delay = 2;
         v.keepAlive = true;
         v.parallel = 8;
         v.lowSpeed = 3600;
         v.skipSaved = true;
         v.modernPages = true;
         v.find = 2;
         v.wait = 30;
         v.cookies = "/tmp/c.txt";
         v.minWidth = 400;
         v.minHeight = 300;
         v.pages = 12;
         v.rateLimit = 2048;
         v.http2 = false;
     },
     {{"timeout", "60"}, {"delay", "2"}, {"keepalive", "1"}, {"parallel", "8"}, {"lowspeed", "3600"},
      {"skipsaved", "1"}, {"velikost", nullptr}, {"find", "2"}, {"wait", "30"}, {"cookies", "/tmp/c.txt"},
      {"minwidth", "400"}, {"minheight", "300"}, {"pages", "12"}, {"ratelimit", "2048"}, {"http2", "0"}}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SavingForTheNextRun, ::testing::ValuesIn(kStoreRows));

TEST(SettingsSave, AProxyOrFilterTurnedOffLeavesTheirEarlierValuesStored)
{
    testenv::ClearSettings();
    Store({{"proxyIP", "10.0.0.9"}, {"proxyport", "3128"}, {"velikost", "2048"}});
    TSettings settings;
    settings.Set(Defaults());
    settings.StoreForNextRun();
    const QSettings file(testenv::SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(file.value("proxy").toString(), QStringLiteral("0"));
    EXPECT_EQ(file.value("proxyIP").toString(), QStringLiteral("10.0.0.9"));
    EXPECT_EQ(file.value("proxyport").toString(), QStringLiteral("3128"));
    EXPECT_EQ(file.value("velikost").toString(), QStringLiteral("2048"));
    testenv::ClearSettings();
}

class SettingsChanges : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::ClearSettings();
        QObject::connect(&settings, &TSettings::Changed, [this] { ++changes; });
    }
    void TearDown() override { testenv::ClearSettings(); }

    TSettings settings;
    int changes = 0;
};

TEST_F(SettingsChanges, EachRealChangeIsToldOnceAndTheSameValueNever)
{
    TSettingsValues v = settings.Values();
    settings.Set(v);
    EXPECT_EQ(changes, 0);
    const std::function<void(TSettingsValues &)> edits[] = {
        [](TSettingsValues &x) { x.timeOut = 60; },       [](TSettingsValues &x) { x.proxy = true; },
        [](TSettingsValues &x) { x.proxyPort = "8080"; }, [](TSettingsValues &x) { x.keepAlive = true; },
        [](TSettingsValues &x) { x.lowSpeed = 30; },      [](TSettingsValues &x) { x.startDir = "/a"; },
        [](TSettingsValues &x) { x.sizeLimit = 7; },
    };
    int expected = 0;
    for (const auto &edit : edits) {
        edit(v);
        settings.Set(v);
        EXPECT_EQ(changes, ++expected);
        settings.Set(v);
        EXPECT_EQ(changes, expected) << "the same again";
        EXPECT_EQ(settings.Values(), v);
    }
}

TEST_F(SettingsChanges, LoadTellsOnlyWhenTheStoreDiffersFromTheValuesInForce)
{
    settings.Load();
    EXPECT_FALSE(QFile::exists(testenv::SettingsFile())) << "reading creates no file";
    EXPECT_EQ(changes, 1) << "the save folder is known only once loaded";
    EXPECT_EQ(settings.Values(), Defaults());
    settings.Load();
    EXPECT_EQ(changes, 1);
    Store({{"parallel", "4"}});
    settings.Load();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(settings.Values().parallel, 4);
}

TEST_F(SettingsChanges, TheModernScanTickIsStoredAtOnce)
{
    settings.StoreModernPages(true);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(settings.Values().modernPages);
    EXPECT_EQ(ReadSetting(Settings::ModernPages), 1);
    settings.StoreModernPages(true);
    EXPECT_EQ(changes, 1);
    settings.StoreModernPages(false);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(ReadSetting(Settings::ModernPages), 0);
    EXPECT_FALSE(ReadStoredSettings().modernPages);
}

TEST(DelayWaitText, OneMinuteIsSingularInEnglishAndSloveneStays)
{
    const struct {
        const char *minutes;
        bool english;
        const char *expected;
    } cases[] = {
        {"1", true, "Delay timer is set to 1 minute. Waiting for the time to elapse..."},
        {"2", true, "Delay timer is set to 2 minutes. Waiting for the time to elapse..."},
        {"10", true, "Delay timer is set to 10 minutes. Waiting for the time to elapse..."},
        {"1", false, "Zakasnitev prenosa je nastavljena na 1 minut. Čakam, da čas preteče..."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DelayWaitText(QString::fromLatin1(c.minutes), c.english), QString::fromUtf8(c.expected)) << c.minutes;
}

// The default save folder: the pictures folder's "Grabulo" under the
// test's own home, made with its parents and entered only when a batch is
// about to save into it; any other folder, or one that exists, is left.
TEST(DefaultSaveFolder, IsMadeOnlyWhenFirstSavedInto)
{
    const QString folder = DefaultSaveFolder();
    ASSERT_EQ(folder, QDir::homePath() + "/Pictures/Grabulo");
    ASSERT_TRUE(folder.startsWith(testenv::Root())) << "never the real home";
    QDir(QDir::homePath() + "/Pictures").removeRecursively();
    testenv::ClearSettings();
    EXPECT_EQ(ReadStoredSettings().startDir, folder) << "a new user's folder";
    EXPECT_FALSE(QFileInfo::exists(folder)) << "reading does not make it";
    const QString before = QDir::currentPath();
    const QString other = testenv::Root() + "/not-the-default";
    struct Case {
        QString given;
        bool made;
    } cases[] = {{QString(), false}, {other, false}, {folder, true}, {folder + "/", false}};
    for (const Case &c : cases) {
        EXPECT_EQ(MakeDefaultSaveFolder(c.given), c.made) << c.given.toStdString();
        EXPECT_FALSE(QFileInfo::exists(other));
    }
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QDir::currentPath(), folder);
    QDir::setCurrent(before);
    QDir(QDir::homePath() + "/Pictures").removeRecursively();
}

}  // namespace
