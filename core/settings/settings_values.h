// Every value of the settings store with its default. The default of
// "startdir" is only known at run time: DefaultSaveFolder() (settings.h).
#pragma once

#include "core/settings/settings_store.h"

struct IntegerSetting {
    const char *name;
    qint32 defaultValue;
};

struct StringSetting {
    const char *name;
    const char *defaultValue;
};

namespace Settings {
inline constexpr IntegerSetting Left{"left", 20};
inline constexpr IntegerSetting Top{"top", 20};
inline constexpr IntegerSetting Width{"width", 670};
inline constexpr IntegerSetting Height{"height", 560};  // the log shows eight lines
inline constexpr const char *StartDir = "startdir";  // default: DefaultSaveFolder()
inline constexpr IntegerSetting TimeOut{"timeout", 180};
inline constexpr IntegerSetting Delay{"delay", 0};
inline constexpr IntegerSetting Proxy{"proxy", 0};
inline constexpr StringSetting ProxyIP{"proxyIP", "192.168.0.1"};
inline constexpr StringSetting ProxyPort{"proxyport", "80"};
inline constexpr IntegerSetting KeepAlive{"keepalive", 0};  // 1: persistent connections
// 1: with kept connections over https, HTTP/2 where the server offers it
inline constexpr IntegerSetting Http2{"http2", 1};
inline constexpr IntegerSetting Parallel{"parallel", 1};    // downloads at once, 1 to ParallelMost
inline constexpr qint32 ParallelMost = 8;
inline constexpr IntegerSetting LowSpeed{"lowspeed", 0};  // seconds below 1 KiB/s that break a transfer off; 0 off
inline constexpr qint32 LowSpeedMost = 3600;
inline constexpr IntegerSetting ModernPages{"modernpages", 0};  // 1: the modern page scan
// What a page is searched for: 0 links, 1 embedded pictures, 2 both (TFind).
inline constexpr IntegerSetting Find{"find", 0};
inline constexpr qint32 FindMost = 2;
inline constexpr StringSetting Cookies{"cookies", ""};  // a cookies.txt read for each run; empty: none
inline constexpr IntegerSetting Wait{"wait", 0};        // seconds between two requests to one host
inline constexpr qint32 WaitMost = 3600;
inline constexpr IntegerSetting SkipSaved{"skipsaved", 0};      // 1: pass over files already saved
// The least width and height of a picture kept, in pixels; 0: no limit.
inline constexpr IntegerSetting MinWidth{"minwidth", 0};
inline constexpr IntegerSetting MinHeight{"minheight", 0};
inline constexpr qint32 MinSizeMost = 100000;
// The pages loaded in all by following each page's next page; 1: the page alone.
inline constexpr IntegerSetting Pages{"pages", 1};
inline constexpr qint32 PagesMost = 1000;
// The speed cap of a batch's files, all at once together, in KiB/s; 0: none.
inline constexpr IntegerSetting RateLimit{"ratelimit", 0};
inline constexpr qint32 RateLimitMost = 1048576;  // 1 GiB/s
inline constexpr IntegerSetting Filter{"filter", 0};
inline constexpr StringSetting Velikost{"velikost", "0"};  // written as an integer
inline constexpr const char *Prisoten = "prisoten";        // written "ja", never read
inline constexpr const char *Verzija = "verzija";          // written, never read
inline constexpr IntegerSetting Jezik{"jezik", 1};
inline constexpr IntegerSetting Preview{"preview", 1};
inline constexpr IntegerSetting PreviewLeft{"previewleft", 644};
inline constexpr IntegerSetting PreviewTop{"previewtop", 118};
inline constexpr StringSetting Install{"install", "0"};
inline constexpr StringSetting Run{"run", "0"};
inline constexpr IntegerSetting Download{"download", 0};
}  // namespace Settings

inline qint32 ReadSetting(IntegerSetting s)
{
    return RegReadInteger(RegistryKey, QString::fromLatin1(s.name), s.defaultValue);
}

inline QString ReadSetting(StringSetting s)
{
    return RegReadString(RegistryKey, QString::fromLatin1(s.name), QString::fromLatin1(s.defaultValue));
}

inline void WriteSetting(IntegerSetting s, qint32 value)
{
    RegWriteInteger(RegistryKey, QString::fromLatin1(s.name), value);
}

inline void WriteSetting(StringSetting s, const QString &value)
{
    RegWriteString(RegistryKey, QString::fromLatin1(s.name), value);
}
