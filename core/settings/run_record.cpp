#include "core/settings/run_record.h"

#include "base/convert.h"
#include "core/statistics.h"

void StoreIfChanged(IntegerSetting s, qint32 value)
{
    if (ReadSetting(s) != value)
        WriteSetting(s, value);
}

void StoreIfChanged(StringSetting s, const QString &value)
{
    if (ReadSetting(s) != value)
        WriteSetting(s, value);
}

void StoreIfChanged(const char *name, const QString &value)
{
    const QString key = QString::fromLatin1(name);
    if (RegReadString(RegistryKey, key, QString()) != value)
        RegWriteString(RegistryKey, key, value);
}

void RecordRunStart(const QString &programVersion)
{
    const TSettingsWriteBatch oneRewrite;
    StoreIfChanged(Settings::Prisoten, QStringLiteral("ja"));
    StoreIfChanged(Settings::Verzija, programVersion);
}

qint32 DownloadsWithThisRun(qint32 runPictureCount)
{
    return ClampToInt32(qint64(ReadSetting(Settings::Download)) + runPictureCount);
}

void RecordRunEnd(qint64 startMsecs, qint64 nowMsecs, qint32 runPictureCount)
{
    const TSettingsWriteBatch oneRewrite;
    StoreIfChanged(Settings::Run, AccumulatedRunText(ReadSetting(Settings::Run), startMsecs, nowMsecs));
    StoreIfChanged(Settings::Download, DownloadsWithThisRun(runPictureCount));
}
