// The program's settings as one value: every stored setting, read and
// checked in one place (ranges, defaults), and the object that holds the
// values in force and tells when they change. The window shows them in its
// controls and writes them back; the engine reads them only from here.
#pragma once

#include "core/settings/settings_values.h"

#include <QObject>
#include <QString>

// One snapshot of the settings. Every field holds a checked value: a stored
// value out of its range, or not a number, reads as its default.
struct TSettingsValues {
    QString startDir;          // "startdir": the save folder; default DefaultSaveFolder()
    qint32 timeOut = Settings::TimeOut.defaultValue;     // "timeout": seconds, > 0
    qint32 delay = Settings::Delay.defaultValue;         // "delay": minutes before a batch starts
    bool proxy = false;                                  // "proxy"
    QString proxyHost = QString::fromLatin1(Settings::ProxyIP.defaultValue);    // "proxyIP"
    QString proxyPort = QString::fromLatin1(Settings::ProxyPort.defaultValue);  // "proxyport", as typed
    bool keepAlive = false;                              // "keepalive"
    bool http2 = true;                                   // "http2": with keepalive, over https
    qint32 parallel = Settings::Parallel.defaultValue;   // "parallel": 1 to Settings::ParallelMost
    qint32 lowSpeed = Settings::LowSpeed.defaultValue;   // "lowspeed": 0 to Settings::LowSpeedMost
    bool modernPages = false;                            // "modernpages"
    qint32 find = Settings::Find.defaultValue;           // "find": 0 links, 1 embedded pictures, 2 both
    bool skipSaved = false;                              // "skipsaved"
    QString cookies;                                     // "cookies": a cookies.txt; empty none
    qint32 wait = Settings::Wait.defaultValue;           // "wait": 0 to Settings::WaitMost seconds
    qint32 minWidth = Settings::MinWidth.defaultValue;   // "minwidth": pixels, 0 to Settings::MinSizeMost
    qint32 minHeight = Settings::MinHeight.defaultValue; // "minheight": pixels, 0 no limit
    qint32 pages = Settings::Pages.defaultValue;         // "pages": 1 to Settings::PagesMost pages in all
    qint32 rateLimit = Settings::RateLimit.defaultValue; // "ratelimit": KiB/s, 0 none, to Settings::RateLimitMost
    bool sizeFilter = false;                             // "filter"
    qint32 sizeLimit = 0;                                // "velikost": bytes
    bool operator==(const TSettingsValues &) const = default;
};

// The save folder of a user who never chose one: "Grabulo" in the user's
// pictures folder (~/Pictures/Grabulo), made only when first saved into.
QString DefaultSaveFolder();
// Before files are saved: the default save folder, when it is the one
// given and does not exist yet, is made (with its parents) and entered.
// True when it was made now.
bool MakeDefaultSaveFolder(const QString &folder);

// The log line of a batch that waits its start delay ("delay"): "Delay
// timer is set to 1 minute. ..." (minutes for any other count), or the
// Slovene line.
QString DelayWaitText(const QString &minutes, bool english);

// The stored settings, checked; what is missing or out of range is its
// default. Needs no window.
TSettingsValues ReadStoredSettings();

// The settings in force for this run: loaded from the store at the start,
// changed field by field by whoever shows them (the window's Settings tab),
// read by the engine as one snapshot. Changed() follows every real change.
class TSettings : public QObject {
    Q_OBJECT
public:
    explicit TSettings(QObject *parent = nullptr);

    const TSettingsValues &Values() const { return values_; }
    // The stored settings become the values in force.
    void Load();
    // New values in force; Changed() only when they differ from the old.
    void Set(const TSettingsValues &values);
    // "Save settings for the next run": the values in force go to the
    // store in one rewrite. Without the proxy its host and port are not
    // written, without the size filter its limit is not.
    void StoreForNextRun() const;
    // The modern page scan on or off, stored at once: its tick is kept
    // for the next run without a save.
    void StoreModernPages(bool on);
    // The choices a user expects kept as soon as they are made, stored
    // where they differ from the store: the save folder (once it exists),
    // "Keep connections open", "Downloads at once", "Skip pictures already
    // saved", the time-out, the size filter with its limit and what a page
    // is searched for ("find").
    void StoreChoices() const;

signals:
    void Changed();

private:
    TSettingsValues values_;
};
