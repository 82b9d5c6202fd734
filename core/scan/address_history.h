// The address history of the address box, kept in "dl.ini" of the program's
// folder: one entry a line (UTF-8, CR LF), the oldest first. An https page
// is kept with its "https://", an http page without a scheme. Plain
// functions, so that a run without a window records history as the window
// does.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// "dl.ini" of the program's folder.
QString AddressHistoryFile();
// The entries of the file; none when it is missing or unreadable.
QStringList ReadAddressHistory(const QString &file);
// The history with the address as typed (without its scheme) asked for
// with this scheme prefix first, as HistoryEntry writes it: the newest
// first, each address once (an older copy of it goes).
QStringList AddHistoryEntry(QStringList history, const QByteArray &prefix, const QString &typed);
// Writes the entries (WriteLineFile: EFCreateError when the file cannot be made).
void WriteAddressHistory(const QString &file, const QStringList &history);
// The three above on the program's history file: read, add, write.
void RecordAddressInHistory(const QByteArray &prefix, const QString &typed);
