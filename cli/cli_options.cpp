#include "cli/cli_options.h"

#include "core/scan/type_filter.h"
#include "core/settings/settings_values.h"

#include <array>

namespace {

QString Say(bool english, const char *slovene, const char *englishText)
{
    return QString::fromUtf8(english ? englishText : slovene);
}

// One option: its short letter (0 for none), its long name, whether it
// takes a value, and what it does; the text of what is wrong, or empty.
struct TOptionRow {
    char letter;
    const char *name;
    bool takesValue;
    QString (*apply)(TCliOptions &options, const QString &value, bool english);
};

QString NumberError(const QString &value, const char *name, qint32 least, qint32 most, bool english)
{
    return Say(english, "%2 zahteva celo število od %3 do %4, ne »%1«",
               "%2 takes a whole number from %3 to %4, not '%1'")
        .arg(value, QLatin1String(name))
        .arg(least)
        .arg(most);
}

// value as a number within least and most, into field; or what is wrong.
QString ReadNumber(std::optional<qint32> &field, const QString &value, const char *name, qint32 least, qint32 most,
                   bool english)
{
    bool ok = false;
    const qint32 n = value.toInt(&ok);
    if (!ok || n < least || n > most)
        return NumberError(value, name, least, most, english);
    field = n;
    return {};
}

QString ReadFind(TCliOptions &o, const QString &value, bool english)
{
    static const std::array<QLatin1String, 3> kWords{QLatin1String("links"), QLatin1String("embedded"),
                                                     QLatin1String("both")};
    for (size_t i = 0; i < kWords.size(); ++i) {
        if (value == kWords[i]) {
            o.find = TFind(i);
            return {};
        }
    }
    return Say(english, "--find sprejme links, embedded ali both, ne »%1«",
               "--find takes links, embedded or both, not '%1'")
        .arg(value);
}

QString ReadType(TCliOptions &o, const QString &value, bool english)
{
    const int entry = int(CliTypeNames().indexOf(value));
    if (entry < 0)
        return Say(english, "neznana vrsta datotek »%1«; vrste so: %2", "unknown file type '%1'; the types are: %2")
            .arg(value, CliTypeNames().join(QLatin1String(", ")));
    o.type = entry;
    if (entry >= kTypeFilterCount)
        o.modern = true;  // the modern scan's own types
    return {};
}

QString ReadProxy(TCliOptions &o, const QString &value, bool english)
{
    const qsizetype colon = value.lastIndexOf(u':');
    bool ok = false;
    const int port = colon > 0 ? value.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port < 1 || port > 65535)
        return Say(english, "--proxy zahteva GOSTITELJ:VRATA, ne »%1«", "--proxy takes HOST:PORT, not '%1'").arg(value);
    o.proxy = true;
    o.proxyHost = value.left(colon);
    o.proxyPort = QString::number(port);
    return {};
}

// "400x300": the least width and height of a picture kept, each 0 (no
// limit) to Settings::MinSizeMost.
QString ReadMinSize(TCliOptions &o, const QString &value, bool english)
{
    const QStringList parts = value.split(u'x');
    bool wOk = false, hOk = false;
    const qint32 w = parts.size() == 2 ? parts[0].toInt(&wOk) : 0;
    const qint32 h = parts.size() == 2 ? parts[1].toInt(&hOk) : 0;
    const auto inRange = [](qint32 n) { return n >= 0 && n <= Settings::MinSizeMost; };
    if (!wOk || !hOk || !inRange(w) || !inRange(h) || parts[0].startsWith(u'+') || parts[1].startsWith(u'+'))
        return Say(english, "--min-size zahteva ŠIRINAxVIŠINA v pikslih (od 0 do %2), ne »%1«",
                   "--min-size takes WIDTHxHEIGHT in pixels (0 to %2), not '%1'")
            .arg(value)
            .arg(Settings::MinSizeMost);
    o.minWidth = w;
    o.minHeight = h;
    return {};
}

// "300", "300k", "2m": the speed cap in KiB/s (k, K: KiB/s, the default;
// m, M: MiB/s), 0 (none) to Settings::RateLimitMost.
QString ReadLimitRate(TCliOptions &o, const QString &value, bool english)
{
    QString digits = value;
    qint64 unit = 1;
    if (value.endsWith(u'm', Qt::CaseInsensitive))
        unit = 1024;
    if (unit > 1 || value.endsWith(u'k', Qt::CaseInsensitive))
        digits.chop(1);
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    if (!ok || digits.startsWith(u'+') || n < 0 || n > Settings::RateLimitMost || n * unit > Settings::RateLimitMost)
        return Say(english, "--limit-rate zahteva hitrost v KiB/s od 0 do %2 (s k za KiB/s ali m za MiB/s), ne »%1«",
                   "--limit-rate takes a speed in KiB/s from 0 to %2 (with k for KiB/s or m for MiB/s), not '%1'")
            .arg(value)
            .arg(Settings::RateLimitMost);
    o.rateLimit = qint32(n * unit);
    return {};
}

QString ReadLanguage(TCliOptions &, const QString &value, bool english)
{
    if (value == QLatin1String("en") || value == QLatin1String("sl"))
        return {};
    return Say(english, "--lang sprejme en ali sl, ne »%1«", "--lang takes en or sl, not '%1'").arg(value);
}

const TOptionRow kOptions[] = {
    {'h', "help", false, [](TCliOptions &o, const QString &, bool) { o.action = TCliAction::Help; return QString(); }},
    {'V', "version", false,
     [](TCliOptions &o, const QString &, bool) { o.action = TCliAction::Version; return QString(); }},
    {'o', "output", true, [](TCliOptions &o, const QString &v, bool) { o.output = v; return QString(); }},
    {'i', "input", true, [](TCliOptions &o, const QString &v, bool) { o.input = v; return QString(); }},
    {0, "find", true, ReadFind},
    {'e', "embedded", false, [](TCliOptions &o, const QString &, bool) { o.find = TFind::Embedded; return QString(); }},
    {'t', "type", true, ReadType},
    {0, "modern", false, [](TCliOptions &o, const QString &, bool) { o.modern = true; return QString(); }},
    {0, "no-modern", false, [](TCliOptions &o, const QString &, bool) { o.modern = false; return QString(); }},
    {0, "list", false, [](TCliOptions &o, const QString &, bool) { o.list = true; return QString(); }},
    {'j', "parallel", true,
     [](TCliOptions &o, const QString &v, bool en) {
         return ReadNumber(o.parallel, v, "--parallel", 1, Settings::ParallelMost, en);
     }},
    {0, "keep-alive", false, [](TCliOptions &o, const QString &, bool) { o.keepAlive = true; return QString(); }},
    {0, "no-keep-alive", false, [](TCliOptions &o, const QString &, bool) { o.keepAlive = false; return QString(); }},
    {0, "http2", false, [](TCliOptions &o, const QString &, bool) { o.http2 = true; return QString(); }},
    {0, "no-http2", false, [](TCliOptions &o, const QString &, bool) { o.http2 = false; return QString(); }},
    {0, "skip-saved", false, [](TCliOptions &o, const QString &, bool) { o.skipSaved = true; return QString(); }},
    {0, "no-skip-saved", false, [](TCliOptions &o, const QString &, bool) { o.skipSaved = false; return QString(); }},
    {'T', "timeout", true,
     [](TCliOptions &o, const QString &v, bool en) { return ReadNumber(o.timeOut, v, "--timeout", 1, 86400, en); }},
    {0, "low-speed", true,
     [](TCliOptions &o, const QString &v, bool en) {
         return ReadNumber(o.lowSpeed, v, "--low-speed", 0, Settings::LowSpeedMost, en);
     }},
    {0, "cookies", true, [](TCliOptions &o, const QString &v, bool) { o.cookies = v; return QString(); }},
    {0, "wait", true,
     [](TCliOptions &o, const QString &v, bool en) { return ReadNumber(o.wait, v, "--wait", 0, Settings::WaitMost, en); }},
    {0, "min-size", true, ReadMinSize},
    {0, "pages", true,
     [](TCliOptions &o, const QString &v, bool en) { return ReadNumber(o.pages, v, "--pages", 1, Settings::PagesMost, en); }},
    {0, "limit-rate", true, ReadLimitRate},
    {0, "proxy", true, ReadProxy},
    {0, "no-proxy", false, [](TCliOptions &o, const QString &, bool) { o.proxy = false; return QString(); }},
    {'u', "user", true, [](TCliOptions &o, const QString &v, bool) { o.user = v; return QString(); }},
    {0, "password-file", true, [](TCliOptions &o, const QString &v, bool) { o.passwordFile = v; return QString(); }},
    {'q', "quiet", false, [](TCliOptions &o, const QString &, bool) { o.verbosity = -1; return QString(); }},
    {'v', "verbose", false, [](TCliOptions &o, const QString &, bool) { o.verbosity = 1; return QString(); }},
    {0, "lang", true, ReadLanguage},
    {0, "no-progress", false, [](TCliOptions &o, const QString &, bool) { o.progress = false; return QString(); }},
};

const TOptionRow *LongOption(QStringView name)
{
    for (const TOptionRow &row : kOptions)
        if (name == QLatin1String(row.name))
            return &row;
    return nullptr;
}

const TOptionRow *ShortOption(QChar letter)
{
    for (const TOptionRow &row : kOptions)
        if (row.letter != 0 && letter == QLatin1Char(row.letter))
            return &row;
    return nullptr;
}

QString Unknown(const QString &option, bool english)
{
    return Say(english, "neznana možnost %1", "unknown option %1").arg(option);
}

QString NeedsValue(const QString &option, bool english)
{
    return Say(english, "možnost %1 zahteva vrednost", "option %1 needs a value").arg(option);
}

// Reads the options of arguments[i], moving i past a value it takes from
// the next argument; what is wrong, or empty.
class TReader {
public:
    TReader(const QStringList &arguments, bool english) : arguments_(arguments), english_(english) {}

    QString Long(qsizetype &i, TCliOptions &options) const
    {
        const QString &word = arguments_[i];
        const qsizetype equals = word.indexOf(u'=');
        const QString name = word.mid(2, equals < 0 ? -1 : equals - 2);
        const TOptionRow *row = LongOption(name);
        if (!row)
            return Unknown(QStringLiteral("--") + name, english_);
        QString value;
        if (equals >= 0) {
            if (!row->takesValue)
                return Say(english_, "možnost --%1 ne sprejme vrednosti", "option --%1 takes no value").arg(name);
            value = word.mid(equals + 1);
        } else if (row->takesValue) {
            if (++i >= arguments_.size())
                return NeedsValue(QStringLiteral("--") + name, english_);
            value = arguments_[i];
        }
        return row->apply(options, value, english_);
    }

    // A bundle such as -qe or -j5 or -o DIR.
    QString Short(qsizetype &i, TCliOptions &options) const
    {
        const QString word = arguments_[i];
        for (qsizetype k = 1; k < word.size(); ++k) {
            const TOptionRow *row = ShortOption(word[k]);
            if (!row)
                return Unknown(QStringLiteral("-") + word[k], english_);
            if (!row->takesValue) {
                if (QString error = row->apply(options, {}, english_); !error.isEmpty())
                    return error;
                continue;
            }
            QString value = word.mid(k + 1);
            if (value.isEmpty()) {
                if (++i >= arguments_.size())
                    return NeedsValue(QStringLiteral("-") + word[k], english_);
                value = arguments_[i];
            }
            return row->apply(options, value, english_);
        }
        return {};
    }

private:
    const QStringList &arguments_;
    bool english_;
};

}  // namespace

TCliParse ParseCliArguments(const QStringList &arguments, bool english)
{
    TCliParse parse;
    const TReader reader(arguments, english);
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size() && parse.error.isEmpty(); ++i) {
        const QString &word = arguments[i];
        if (optionsEnded || word == QLatin1String("-") || !word.startsWith(u'-'))
            parse.options.addresses << word;
        else if (word == QLatin1String("--"))
            optionsEnded = true;
        else if (word.startsWith(QLatin1String("--")))
            parse.error = reader.Long(i, parse.options);
        else
            parse.error = reader.Short(i, parse.options);
    }
    const TCliOptions &o = parse.options;
    if (parse.error.isEmpty() && o.action == TCliAction::Run && o.addresses.isEmpty() && o.input.isEmpty())
        parse.error = Say(english, "ni naslova strani: podajte enega ali več ali --input DATOTEKA",
                          "no page address: give one or more, or --input FILE");
    return parse;
}

bool CliEnglish(const QStringList &arguments, const std::function<QString(const char *)> &environment)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments[i];
        if (word == QLatin1String("--"))
            break;
        if (word.startsWith(QLatin1String("--lang=")))
            return word.mid(7) != QLatin1String("sl");
        if (word == QLatin1String("--lang") && i + 1 < arguments.size())
            return arguments[i + 1] != QLatin1String("sl");
    }
    for (const char *name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = environment(name);
        if (!value.isEmpty())
            return !value.startsWith(QLatin1String("sl"));
    }
    return true;
}

TSettingsValues SettingsInForce(TSettingsValues s, const TCliOptions &o)
{
    s.modernPages = o.modern.value_or(s.modernPages);
    s.find = o.find ? int(*o.find) : s.find;
    s.keepAlive = o.keepAlive.value_or(s.keepAlive);
    s.http2 = o.http2.value_or(s.http2);
    s.skipSaved = o.skipSaved.value_or(s.skipSaved);
    s.parallel = o.parallel.value_or(s.parallel);
    s.timeOut = o.timeOut.value_or(s.timeOut);
    s.lowSpeed = o.lowSpeed.value_or(s.lowSpeed);
    s.cookies = o.cookies.value_or(s.cookies);
    s.wait = o.wait.value_or(s.wait);
    s.pages = o.pages.value_or(s.pages);
    s.minWidth = o.minWidth.value_or(s.minWidth);
    s.minHeight = o.minHeight.value_or(s.minHeight);
    s.rateLimit = o.rateLimit.value_or(s.rateLimit);
    s.proxy = o.proxy.value_or(s.proxy);
    if (o.proxy.value_or(false)) {
        s.proxyHost = o.proxyHost;
        s.proxyPort = o.proxyPort;
    }
    return s;
}

QStringList CliTypeNames()
{
    return {QStringLiteral("pictures"), QStringLiteral("jpg"),  QStringLiteral("gif"),  QStringLiteral("png"),
            QStringLiteral("html"),     QStringLiteral("audio"), QStringLiteral("mp3"), QStringLiteral("ogg"),
            QStringLiteral("avi"),      QStringLiteral("mpeg"), QStringLiteral("real"), QStringLiteral("swf"),
            QStringLiteral("wmv"),      QStringLiteral("asf"),  QStringLiteral("mp4"),  QStringLiteral("video"),
            QStringLiteral("all"),      QStringLiteral("webp"), QStringLiteral("avif"), QStringLiteral("svg")};
}

QString CliUsageHint(bool english)
{
    return Say(english, "Za pomoč: grabulo-cli --help", "Try 'grabulo-cli --help'.");
}
