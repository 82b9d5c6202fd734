// The per-user settings store: one key with flat named values, every value
// stored as text. On Linux the key is the INI file
// $XDG_CONFIG_HOME/Tarvove feke/Grabulo.conf (values under [General]).
// Each operation opens the store, does one access and closes it again.
// A store that cannot be read yields the defaults; one that cannot be
// written ignores the write. Nothing is ever reported.
#pragma once

#include <QString>

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
