// What every run records in the store besides the settings: at its start
// that the program is present and its version, at its closing the running
// time over all runs and the count of files saved over all runs. A run
// without a window writes the same as the window's.
#pragma once

#include "core/settings/settings_values.h"

#include <QString>

// Each write of the store rewrites and syncs the whole settings file to disk
// (two syncs and a rename), which costs an unattended run more than the
// rest of its closing; so the writes of one moment go in one batch
// (TSettingsWriteBatch), and a value that reads back the same already,
// stored or as the default of a missing one, is left alone: the next read
// gives the same either way.
void StoreIfChanged(IntegerSetting s, qint32 value);
void StoreIfChanged(StringSetting s, const QString &value);
void StoreIfChanged(const char *name, const QString &value);

// At the start: "prisoten" = "ja" and "verzija" = the program's version.
void RecordRunStart(const QString &programVersion);

// The files saved over all runs: the stored "download" and this run's
// count, saturated at the top of 32 bits.
qint32 DownloadsWithThisRun(qint32 runPictureCount);

// At closing: "run" grows by this run's time (startMsecs to nowMsecs, see
// TimeStampMsecs), "download" by this run's saved files.
void RecordRunEnd(qint64 startMsecs, qint64 nowMsecs, qint32 runPictureCount);
