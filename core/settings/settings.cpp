#include "core/settings/settings.h"

#include "base/convert.h"
#include "core/program_folder.h"

namespace {
bool Within(qint32 value, qint32 least, qint32 most)
{
    return value >= least && value <= most;
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

TSettingsValues ReadStoredSettings()
{
    const TSettingsWriteBatch oneOpening;  // the reads below open the store once
    TSettingsValues values;
    values.startDir = RegReadString(RegistryKey, QString::fromLatin1(Settings::StartDir), ProgramFolder());
    // A time-out of zero or below would fail every transfer.
    const qint32 timeOut = ReadSetting(Settings::TimeOut);
    values.timeOut = timeOut > 0 ? timeOut : Settings::TimeOut.defaultValue;
    values.delay = ReadSetting(Settings::Delay);
    ReadProxy(values);
    values.keepAlive = ReadSetting(Settings::KeepAlive) == 1;
    const qint32 parallel = ReadSetting(Settings::Parallel);
    values.parallel = Within(parallel, 1, Settings::ParallelMost) ? parallel : Settings::Parallel.defaultValue;
    // Outside 0 to LowSpeedMost the slow-transfer limit is off.
    const qint32 lowSpeed = ReadSetting(Settings::LowSpeed);
    values.lowSpeed = Within(lowSpeed, 0, Settings::LowSpeedMost) ? lowSpeed : 0;
    values.modernPages = ReadSetting(Settings::ModernPages) == 1;
    values.skipSaved = ReadSetting(Settings::SkipSaved) == 1;
    ReadSizeFilter(values);
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
    WriteSetting(Settings::TimeOut, v.timeOut);
    WriteSetting(Settings::Delay, v.delay);
    WriteSetting(Settings::Proxy, v.proxy ? 1 : 0);
    if (v.proxy) {
        WriteSetting(Settings::ProxyIP, v.proxyHost);
        WriteSetting(Settings::ProxyPort, v.proxyPort);
    }
    WriteSetting(Settings::KeepAlive, v.keepAlive ? 1 : 0);
    WriteSetting(Settings::Parallel, v.parallel);
    WriteSetting(Settings::LowSpeed, v.lowSpeed);
    WriteSetting(Settings::SkipSaved, v.skipSaved ? 1 : 0);
    WriteSetting(Settings::Filter, v.sizeFilter ? 1 : 0);
    if (v.sizeFilter)
        RegWriteInteger(RegistryKey, QString::fromLatin1(Settings::Velikost.name), v.sizeLimit);
}

void TSettings::StoreModernPages(bool on)
{
    TSettingsValues values = values_;
    values.modernPages = on;
    WriteSetting(Settings::ModernPages, on ? 1 : 0);
    Set(values);
}
