// grabulo-cli's command line: its options read into one value, the stored
// settings with the options over them, the language of the run, and the
// help. Plain functions, no input or output of their own.
#pragma once

#include "core/scan/page_loader.h"
#include "core/settings/settings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

enum class TCliAction { Run, Help, Version };

struct TCliOptions {
    TCliAction action = TCliAction::Run;
    QStringList addresses;         // the pages, in order
    QString input;                 // -i: a file of page addresses, "-" standard input
    QString output;                // -o: the folder; empty: the current one
    std::optional<TFind> find;     // without --find: the stored "find"
    int type = 0;                  // the entry of the type filter
    bool list = false;             // print the addresses found, save nothing
    int verbosity = 0;             // -1 quiet, 0 the log, 1 also the settings in force
    bool progress = true;
    QString user;                  // -u: log in as this user
    QString passwordFile;
    // The settings the options name; the others keep their stored values.
    std::optional<bool> modern, keepAlive, http2, skipSaved, proxy;
    std::optional<qint32> parallel, timeOut, lowSpeed;
    std::optional<QString> cookies;  // --cookies FILE ("" none)
    std::optional<qint32> wait;      // --wait S
    std::optional<qint32> pages;     // --pages N
    QString proxyHost, proxyPort;
    std::optional<qint32> minWidth, minHeight;  // --min-size WxH: the least picture size
    std::optional<qint32> rateLimit;  // --limit-rate N[k|m]: KiB/s, 0 none
    bool operator==(const TCliOptions &) const = default;
};

// The options read, or what is wrong with them (one line, in the language
// asked for).
struct TCliParse {
    TCliOptions options;
    QString error;
};
TCliParse ParseCliArguments(const QStringList &arguments, bool english);

// The language of the run: --lang when given (also when not valid: the
// parse says so), else the locale, LANGUAGE, LC_ALL, LC_MESSAGES and LANG
// in that order, the first that is set: Slovene when it starts with "sl".
bool CliEnglish(const QStringList &arguments, const std::function<QString(const char *)> &environment);

// The stored settings with the options over them.
TSettingsValues SettingsInForce(TSettingsValues stored, const TCliOptions &options);

// The short names of the type filter's entries, in its order: "pictures",
// "jpg", ... "all", then "webp", "avif" and "svg" of the modern scan.
QStringList CliTypeNames();

// The whole --help text, and the one-line hint after a usage error.
QString CliHelp(bool english);
QString CliUsageHint(bool english);
