// The per-user settings store: one key with flat named values, every value
// stored as text. On Linux the key is the INI file
// $XDG_CONFIG_HOME/Tarvove feke/Grabulo.conf (values under [General]).
// Each operation opens the store, does one access and closes it again,
// and each write rewrites the whole file at once (two syncs to disk), unless
// a TSettingsWriteBatch gathers the writes of a scope into one rewrite.
// A store that cannot be read yields the defaults; one that cannot be
// written ignores the write. Nothing is ever reported.
#pragma once

#include <QString>

#include <memory>

// The key of the program's settings; every caller passes it.
inline constexpr const char *RegistryKey = "Software\\Tarvove feke\\Grabulo";

void RegWriteString(const QString &key, const QString &name, const QString &value);
QString RegReadString(const QString &key, const QString &name, const QString &defaultValue);
void RegWriteInteger(const QString &key, const QString &name, qint32 value);
// The stored text as an integer; the default when missing or not an integer.
qint32 RegReadInteger(const QString &key, const QString &name, qint32 defaultValue);

// The current local time as a millisecond stamp: the day number (1 January
// of year 1 is day 1) times 86,400,000 plus the milliseconds since local
// midnight. Differences of two stamps are durations.
qint64 TimeStampMsecs();
// The same for a given local date and time.
qint64 TimeStampMsecs(const class QDateTime &local);

// While one lives, the writes of this thread change the store in memory
// (reads on this thread see them) and the file is rewritten once, when the
// outermost batch ends. For a run of writes that belong together, such as
// the state stored at closing: each rewrite of the file costs two syncs to
// disk, more than the rest of a command-line run's closing.
class TSettingsWriteBatch {
public:
    TSettingsWriteBatch();
    ~TSettingsWriteBatch();
    TSettingsWriteBatch(const TSettingsWriteBatch &) = delete;
    TSettingsWriteBatch &operator=(const TSettingsWriteBatch &) = delete;

    struct Stores;  // the stores opened by the outermost batch

private:
    std::unique_ptr<Stores> stores_;  // only in the outermost batch
};
