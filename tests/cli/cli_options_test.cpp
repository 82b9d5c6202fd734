#include "cli/cli_options.h"
#include "cli/cli_run.h"

#include <gtest/gtest.h>

#include <QMap>

namespace {

// What a row of arguments comes to: the options changed from their
// defaults by a function, or the start of the usage error.
struct OptionCase {
    QStringList arguments;
    std::function<void(TCliOptions &)> expected;
    const char *error = nullptr;
};

void PrintTo(const OptionCase &c, std::ostream *out)
{
    *out << c.arguments.join(' ').toStdString();
}

class CliOptions : public ::testing::TestWithParam<OptionCase> {};

TEST_P(CliOptions, ReadAsAGnuCommandLine)
{
    const OptionCase &c = GetParam();
    const TCliParse parse = ParseCliArguments(c.arguments, true);
    if (c.error) {
        EXPECT_TRUE(parse.error.startsWith(QString::fromUtf8(c.error))) << parse.error.toStdString();
        return;
    }
    ASSERT_TRUE(parse.error.isEmpty()) << parse.error.toStdString();
    TCliOptions expected;
    expected.addresses = {"p"};
    c.expected(expected);
    EXPECT_TRUE(parse.options == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliOptions,
    ::testing::Values(
        OptionCase{{"p"}, [](TCliOptions &) {}},
        OptionCase{{"-o", "d", "p"}, [](TCliOptions &o) { o.output = "d"; }},
        OptionCase{{"--output=d=e", "p"}, [](TCliOptions &o) { o.output = "d=e"; }},
        OptionCase{{"p", "--output", "-"}, [](TCliOptions &o) { o.output = "-"; }},
        OptionCase{{"-od", "p"}, [](TCliOptions &o) { o.output = "d"; }},
        OptionCase{{"-qej5", "p"},
                   [](TCliOptions &o) {
                       o.verbosity = -1;
                       o.find = TFind::Embedded;
                       o.parallel = 5;
                   }},
        OptionCase{{"--find", "both", "p", "--modern"},
                   [](TCliOptions &o) {
                       o.find = TFind::Both;
                       o.modern = true;
                   }},
        OptionCase{{"-t", "video", "p"}, [](TCliOptions &o) { o.type = 15; }},
        OptionCase{{"--type=webp", "p"},
                   [](TCliOptions &o) {
                       o.type = 17;
                       o.modern = true;
                   }},
        OptionCase{{"--keep-alive", "--no-http2", "--no-skip-saved", "--no-modern", "-T", "30", "--low-speed=0", "p"},
                   [](TCliOptions &o) {
                       o.keepAlive = true;
                       o.http2 = false;
                       o.skipSaved = false;
                       o.modern = false;
                       o.timeOut = 30;
                       o.lowSpeed = 0;
                   }},
        OptionCase{{"--proxy", "[::1]:3128", "p"},
                   [](TCliOptions &o) {
                       o.proxy = true;
                       o.proxyHost = "[::1]";
                       o.proxyPort = "3128";
                   }},
        OptionCase{{"--proxy=h:1", "--no-proxy", "p"},
                   [](TCliOptions &o) {
                       o.proxy = false;
                       o.proxyHost = "h";
                       o.proxyPort = "1";
                   }},
        OptionCase{{"-u", "anna", "--password-file", "f", "p"},
                   [](TCliOptions &o) {
                       o.user = "anna";
                       o.passwordFile = "f";
                   }},
        OptionCase{{"-i", "-", "--list", "-v", "--no-progress", "--lang", "sl", "p"},
                   [](TCliOptions &o) {
                       o.input = "-";
                       o.list = true;
                       o.verbosity = 1;
                       o.progress = false;
                   }},
        OptionCase{{"--cookies", "c.txt", "--wait=3600", "p"},
                   [](TCliOptions &o) {
                       o.cookies = "c.txt";
                       o.wait = 3600;
                   }},
        OptionCase{{"--pages", "1000", "p"}, [](TCliOptions &o) { o.pages = 1000; }},
        OptionCase{{"--pages=1", "p"}, [](TCliOptions &o) { o.pages = 1; }},
        OptionCase{{"--cookies=", "--wait", "0", "p"},
                   [](TCliOptions &o) {
                       o.cookies = "";
                       o.wait = 0;
                   }},
        OptionCase{{"--limit-rate", "0", "p"}, [](TCliOptions &o) { o.rateLimit = 0; }},
        OptionCase{{"--limit-rate=100", "p"}, [](TCliOptions &o) { o.rateLimit = 100; }},
        OptionCase{{"--limit-rate", "300k", "p"}, [](TCliOptions &o) { o.rateLimit = 300; }},
        OptionCase{{"--limit-rate", "300K", "p"}, [](TCliOptions &o) { o.rateLimit = 300; }},
        OptionCase{{"--limit-rate", "2M", "p"}, [](TCliOptions &o) { o.rateLimit = 2048; }},
        OptionCase{{"--limit-rate", "2m", "p"}, [](TCliOptions &o) { o.rateLimit = 2048; }},
        OptionCase{{"--limit-rate", "1024m", "p"}, [](TCliOptions &o) { o.rateLimit = 1048576; }},
        OptionCase{{"--", "-p"}, [](TCliOptions &o) { o.addresses = {"-p"}; }},
        OptionCase{{"-i", "list"}, [](TCliOptions &o) { o.addresses.clear(), o.input = "list"; }},
        OptionCase{{"--help"}, [](TCliOptions &o) { o.addresses.clear(), o.action = TCliAction::Help; }},
        OptionCase{{"-V"}, [](TCliOptions &o) { o.addresses.clear(), o.action = TCliAction::Version; }},
        OptionCase{{}, nullptr, "no page address"},
        OptionCase{{"-x", "p"}, nullptr, "unknown option -x"},
        OptionCase{{"--outputs=d", "p"}, nullptr, "unknown option --outputs"},
        OptionCase{{"--list=yes", "p"}, nullptr, "option --list takes no value"},
        OptionCase{{"p", "--type"}, nullptr, "option --type needs a value"},
        OptionCase{{"-j", "0", "p"}, nullptr, "--parallel takes a whole number from 1 to 8, not '0'"},
        OptionCase{{"-j", "five", "p"}, nullptr, "--parallel takes a whole number from 1 to 8"},
        OptionCase{{"-T0", "p"}, nullptr, "--timeout takes a whole number from 1"},
        OptionCase{{"--low-speed", "3601", "p"}, nullptr, "--low-speed takes a whole number from 0 to 3600"},
        OptionCase{{"--wait", "3601", "p"}, nullptr, "--wait takes a whole number from 0 to 3600"},
        OptionCase{{"--wait", "-1", "p"}, nullptr, "--wait takes a whole number from 0 to 3600"},
        OptionCase{{"--pages", "0", "p"}, nullptr, "--pages takes a whole number from 1 to 1000"},
        OptionCase{{"--pages", "1001", "p"}, nullptr, "--pages takes a whole number from 1 to 1000"},
        OptionCase{{"--pages=all", "p"}, nullptr, "--pages takes a whole number from 1 to 1000"},
        OptionCase{{"--find", "images", "p"}, nullptr, "--find takes links, embedded or both"},
        OptionCase{{"--limit-rate", "-1", "p"}, nullptr,
                   "--limit-rate takes a speed in KiB/s from 0 to 1048576 (with k for KiB/s or m for MiB/s), not '-1'"},
        OptionCase{{"--limit-rate", "x", "p"}, nullptr, "--limit-rate takes a speed in KiB/s from 0 to 1048576"},
        OptionCase{{"--limit-rate", "k", "p"}, nullptr, "--limit-rate takes a speed in KiB/s"},
        OptionCase{{"--limit-rate", "1025m", "p"}, nullptr, "--limit-rate takes a speed in KiB/s"},
        OptionCase{{"--limit-rate", "1048577", "p"}, nullptr, "--limit-rate takes a speed in KiB/s"},
        OptionCase{{"--limit-rate", "1.5m", "p"}, nullptr, "--limit-rate takes a speed in KiB/s"},
        OptionCase{{"--limit-rate=+5", "p"}, nullptr, "--limit-rate takes a speed in KiB/s"},
        OptionCase{{"--limit-rate", "5g", "p"}, nullptr, "--limit-rate takes a speed in KiB/s"},
        OptionCase{{"--min-size", "400", "p"}, nullptr, "--min-size takes WIDTHxHEIGHT in pixels (0 to 100000), not '400'"},
        OptionCase{{"--min-size", "400x", "p"}, nullptr, "--min-size takes WIDTHxHEIGHT"},
        OptionCase{{"--min-size", "-1x5", "p"}, nullptr, "--min-size takes WIDTHxHEIGHT"},
        OptionCase{{"--min-size", "5x100001", "p"}, nullptr, "--min-size takes WIDTHxHEIGHT"},
        OptionCase{{"--min-size", "4x3x2", "p"}, nullptr, "--min-size takes WIDTHxHEIGHT"},
        OptionCase{{"--min-size=+4x3", "p"}, nullptr, "--min-size takes WIDTHxHEIGHT"},
        OptionCase{{"-t", "jpeg", "p"}, nullptr, "unknown file type 'jpeg'; the types are: pictures, jpg"},
        OptionCase{{"--proxy", "host", "p"}, nullptr, "--proxy takes HOST:PORT"},
        OptionCase{{"--proxy", "h:70000", "p"}, nullptr, "--proxy takes HOST:PORT"},
        OptionCase{{"--lang", "de", "p"}, nullptr, "--lang takes en or sl"}));

TEST(CliLanguage, LangFirstThenTheFirstLocaleVariableThatIsSet)
{
    struct Case {
        QStringList arguments;
        QMap<QString, QString> environment;
        bool english;
    } cases[] = {
        {{}, {}, true},
        {{}, {{"LANG", "sl_SI.UTF-8"}}, false},
        {{}, {{"LANG", "sl_SI.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}}, true},
        {{}, {{"LANG", "en_US.UTF-8"}, {"LC_ALL", "sl_SI"}}, false},
        {{}, {{"LC_ALL", "sl_SI"}, {"LANGUAGE", "de:en"}}, true},
        {{}, {{"LANGUAGE", ""}, {"LANG", "sl"}}, false},
        {{"--lang", "en"}, {{"LANG", "sl"}}, true},
        {{"--lang=sl"}, {}, false},
        {{"--", "--lang=sl"}, {}, true},
    };
    for (const Case &c : cases) {
        const auto environment = [&](const char *name) { return c.environment.value(QString::fromLatin1(name)); };
        EXPECT_EQ(CliEnglish(c.arguments, environment), c.english) << c.arguments.join(' ').toStdString();
    }
}

TEST(CliSettings, TheOptionsGoOverTheStoredSettingsAndTheRestStays)
{
    TSettingsValues stored;
    stored.keepAlive = true;
    stored.parallel = 3;
    stored.proxy = true;
    stored.proxyHost = "stored";
    stored.sizeFilter = true;
    stored.sizeLimit = 500;
    stored.delay = 2;
    stored.minWidth = 640;
    stored.minHeight = 480;
    stored.pages = 4;
    TSettingsValues expected = stored;
    EXPECT_EQ(SettingsInForce(stored, ParseCliArguments({"p"}, true).options), expected);
    expected.keepAlive = false;
    expected.parallel = 8;
    expected.proxy = false;
    expected.modernPages = true;
    expected.timeOut = 5;
    expected.cookies = "c.txt";
    expected.wait = 2;
    expected.pages = 9;
    expected.http2 = false;
    EXPECT_EQ(SettingsInForce(stored, ParseCliArguments({"--no-keep-alive", "-j8", "--no-proxy", "--modern", "-T",
                                                         "5", "--cookies", "c.txt", "--wait", "2", "--pages", "9",
                                                         "--no-http2", "p"},
                                                        true)
                                          .options),
              expected);
    expected.cookies = stored.cookies;
    expected.wait = stored.wait;
    expected.pages = stored.pages;
    expected.http2 = stored.http2;
    expected.proxy = true;
    expected.proxyHost = "h";
    expected.proxyPort = "8080";
    EXPECT_EQ(SettingsInForce(stored, ParseCliArguments({"--no-keep-alive", "-j8", "--proxy", "h:8080", "--modern",
                                                         "-T", "5", "p"},
                                                        true)
                                          .options),
              expected);
    expected.minWidth = 400;
    expected.minHeight = 0;
    EXPECT_EQ(SettingsInForce(stored, ParseCliArguments({"--no-keep-alive", "-j8", "--proxy", "h:8080", "--modern",
                                                         "-T", "5", "--min-size=400x0", "p"},
                                                        true)
                                          .options),
              expected);
    stored.rateLimit = 500;
    expected.rateLimit = 2048;
    EXPECT_EQ(SettingsInForce(stored, ParseCliArguments({"--no-keep-alive", "-j8", "--proxy", "h:8080", "--modern",
                                                         "-T", "5", "--min-size=400x0", "--limit-rate", "2m", "p"},
                                                        true)
                                          .options),
              expected);
}

TEST(CliSettings, WithoutFindTheStoredChoiceIsTaken)
{
    struct Case {
        qint32 stored;
        QStringList arguments;
        qint32 expected;
    } cases[] = {
        {2, {"p"}, 2},
        {1, {"p"}, 1},
        {0, {"p"}, 0},
        {2, {"--find", "links", "p"}, 0},
        {0, {"-e", "p"}, 1},
        {1, {"--find=both", "p"}, 2},
    };
    for (const Case &c : cases) {
        TSettingsValues stored;
        stored.find = c.stored;
        EXPECT_EQ(SettingsInForce(stored, ParseCliArguments(c.arguments, true).options).find, c.expected)
            << c.stored << ' ' << c.arguments.join(' ').toStdString();
    }
}

TEST(CliInput, OnePageALineWithoutBlankLinesAndComments)
{
    EXPECT_EQ(TCliRun::InputPages("a\r\n\n  # no\n#x\n b/c \nhttps://d/e#f"),
              (QStringList{"a", "b/c", "https://d/e#f"}));
    EXPECT_TRUE(TCliRun::InputPages("").isEmpty());
}

TEST(CliHelp, NamesEveryOptionAndEveryTypeInBothLanguages)
{
    for (const bool english : {true, false}) {
        const QString help = CliHelp(english);
        for (const char *option : {"--find", "--embedded", "--type", "--modern", "--output", "--input", "--list",
                                   "--parallel", "--keep-alive", "--skip-saved", "--timeout", "--low-speed", "--min-size",
                                   "--proxy", "--user", "--password-file", "--quiet", "--verbose", "--lang",
                                   "--no-progress", "--help", "--version", "--cookies", "--wait", "--pages"})
            EXPECT_TRUE(help.contains(QLatin1String(option))) << option << english;
        EXPECT_TRUE(help.contains(CliTypeNames().join(QLatin1String(", "))));
    }
}

}  // namespace
