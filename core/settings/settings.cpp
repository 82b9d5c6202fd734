#include "core/settings/settings.h"

#include "base/convert.h"
#include "core/program_folder.h"
#include "core/settings/run_record.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <limits>

namespace {
// The settings that are one number or one tick each. A stored number
// outside its range reads as the default; Button12's save stores every row
// marked so (the modern scan is stored the moment it is ticked).
struct TNumberRow {
    IntegerSetting key;
    qint32 TSettingsValues::*field;
    qint32 least, most;
};

struct TFlagRow {
    IntegerSetting key;
    bool TSettingsValues::*field;
    bool storedForNextRun;
};

constexpr qint32 kLeast = std::numeric_limits<qint32>::min();
constexpr qint32 kMost = std::numeric_limits<qint32>::max();

const TNumberRow kNumbers[] = {
    // A time-out of zero or below would fail every transfer.
    {Settings::TimeOut, &TSettingsValues::timeOut, 1, kMost},
    {Settings::Delay, &TSettingsValues::delay, kLeast, kMost},
    {Settings::Parallel, &TSettingsValues::parallel, 1, Settings::ParallelMost},
    // Outside 0 to LowSpeedMost the slow-transfer limit is off.
    {Settings::LowSpeed, &TSettingsValues::lowSpeed, 0, Settings::LowSpeedMost},
    {Settings::Find, &TSettingsValues::find, 0, Settings::FindMost},
    {Settings::Wait, &TSettingsValues::wait, 0, Settings::WaitMost},
    // Outside 0 to MinSizeMost a picture size limit is off.
    {Settings::MinWidth, &TSettingsValues::minWidth, 0, Settings::MinSizeMost},
    {Settings::MinHeight, &TSettingsValues::minHeight, 0, Settings::MinSizeMost},
    {Settings::Pages, &TSettingsValues::pages, 1, Settings::PagesMost},
    // Outside 0 to RateLimitMost the speed cap is off.
    {Settings::RateLimit, &TSettingsValues::rateLimit, 0, Settings::RateLimitMost},
};

const TFlagRow kFlags[] = {
    {Settings::KeepAlive, &TSettingsValues::keepAlive, true},
    {Settings::Http2, &TSettingsValues::http2, true},
    {Settings::ModernPages, &TSettingsValues::modernPages, false},
    {Settings::SkipSaved, &TSettingsValues::skipSaved, true},
};

void ReadRows(TSettingsValues &values)
{
    for (const TNumberRow &row : kNumbers) {
        const qint32 stored = ReadSetting(row.key);
        values.*row.field = stored >= row.least && stored <= row.most ? stored : row.key.defaultValue;
    }
    for (const TFlagRow &row : kFlags)
        values.*row.field = ReadSetting(row.key) == 1;
}

void WriteRows(const TSettingsValues &values)
{
    for (const TNumberRow &row : kNumbers)
        WriteSetting(row.key, values.*row.field);
    for (const TFlagRow &row : kFlags) {
        if (row.storedForNextRun)
            WriteSetting(row.key, values.*row.field ? 1 : 0);
    }
}

// The proxy's host and port are read only when the proxy is on; otherwise
// the fields keep their defaults.
void ReadProxy(TSettingsValues &values)
{
    values.proxy = ReadSetting(Settings::Proxy) == 1;
    if (!values.proxy)
        return;
    values.proxyHost = ReadSetting(Settings::ProxyIP);
    values.proxyPort = ReadSetting(Settings::ProxyPort);
}

// The size limit is read only when the filter is on; a stored limit that
// is not a number reads as the default "0".
void ReadSizeFilter(TSettingsValues &values)
{
    values.sizeFilter = ReadSetting(Settings::Filter) == 1;
    if (!values.sizeFilter)
        return;
    const std::optional<qint32> limit = TryStrToInt(ReadSetting(Settings::Velikost));
    values.sizeLimit = limit ? *limit : StrToInt(QString::fromLatin1(Settings::Velikost.defaultValue));
}
}  // namespace

QString DelayWaitText(const QString &minutes, bool english)
{
    if (!english)
        return QString::fromUtf8("Zakasnitev prenosa je nastavljena na %1 minut. Čakam, da čas preteče...").arg(minutes);
    return (minutes == QLatin1String("1") ? QStringLiteral("Delay timer is set to %1 minute. Waiting for the time to elapse...")
                                          : QStringLiteral("Delay timer is set to %1 minutes. Waiting for the time to elapse..."))
        .arg(minutes);
}

QString DefaultSaveFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? ProgramFolder() : QDir::cleanPath(pictures + QStringLiteral("/Grabulo"));
}

bool MakeDefaultSaveFolder(const QString &folder)
{
    if (folder.isEmpty() || QDir::cleanPath(folder) != DefaultSaveFolder() || QFileInfo::exists(folder))
        return false;
    if (!QDir().mkpath(folder))
        return false;  // the batch's folder check says why nothing can be saved
    return QDir::setCurrent(folder);
}

TSettingsValues ReadStoredSettings()
{
    const TSettingsWriteBatch oneOpening;  // the reads below open the store once
    TSettingsValues values;
    values.startDir = RegReadString(RegistryKey, QString::fromLatin1(Settings::StartDir), DefaultSaveFolder());
    ReadRows(values);
    ReadProxy(values);
    ReadSizeFilter(values);
    values.cookies = ReadSetting(Settings::Cookies);
    return values;
}

TSettings::TSettings(QObject *parent) : QObject(parent) {}

void TSettings::Load()
{
    Set(ReadStoredSettings());
}

void TSettings::Set(const TSettingsValues &values)
{
    if (values == values_)
        return;
    values_ = values;
    emit Changed();
}

void TSettings::StoreForNextRun() const
{
    const TSettingsWriteBatch oneRewrite;
    const TSettingsValues &v = values_;
    RegWriteString(RegistryKey, QString::fromLatin1(Settings::StartDir), v.startDir);
    WriteRows(v);
    WriteSetting(Settings::Proxy, v.proxy ? 1 : 0);
    if (v.proxy) {
        WriteSetting(Settings::ProxyIP, v.proxyHost);
        WriteSetting(Settings::ProxyPort, v.proxyPort);
    }
    WriteSetting(Settings::Filter, v.sizeFilter ? 1 : 0);
    if (v.sizeFilter)
        RegWriteInteger(RegistryKey, QString::fromLatin1(Settings::Velikost.name), v.sizeLimit);
    WriteSetting(Settings::Cookies, v.cookies);
}

void TSettings::StoreChoices() const
{
    const TSettingsWriteBatch oneRewrite;
    const TSettingsValues &v = values_;
    if (!v.startDir.isEmpty() && QDir(v.startDir).exists())
        StoreIfChanged(Settings::StartDir, v.startDir);
    StoreIfChanged(Settings::KeepAlive, v.keepAlive ? 1 : 0);
    StoreIfChanged(Settings::Http2, v.http2 ? 1 : 0);
    StoreIfChanged(Settings::Parallel, v.parallel);
    StoreIfChanged(Settings::SkipSaved, v.skipSaved ? 1 : 0);
    StoreIfChanged(Settings::TimeOut, v.timeOut);
    StoreIfChanged(Settings::Find, v.find);
    StoreIfChanged(Settings::Wait, v.wait);
    StoreIfChanged(Settings::Pages, v.pages);
    StoreIfChanged(Settings::MinWidth, v.minWidth);
    StoreIfChanged(Settings::MinHeight, v.minHeight);
    StoreIfChanged(Settings::Cookies, v.cookies);
    StoreIfChanged(Settings::RateLimit, v.rateLimit);
    StoreIfChanged(Settings::Filter, v.sizeFilter ? 1 : 0);
    if (v.sizeFilter)
        StoreIfChanged(Settings::Velikost, QString::number(v.sizeLimit));
}

void TSettings::StoreModernPages(bool on)
{
    TSettingsValues values = values_;
    values.modernPages = on;
    WriteSetting(Settings::ModernPages, on ? 1 : 0);
    Set(values);
}
