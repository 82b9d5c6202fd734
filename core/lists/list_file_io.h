// Reading and writing list files. Failures raise the program's file errors:
// EFOpenError or EFCreateError when the file cannot be opened or created,
// EInOutError when a read or write on it fails.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The text of a list file up to its first zero byte.
QByteArray ReadListText(const QString &path);
// The entries of a text list file (see ListFileLines).
QList<QByteArray> ReadListFile(const QString &path);
// Writes the lines, each followed by CR LF, replacing the file. The new
// text goes to a temporary file renamed over the old one, so a failed write
// leaves the previous file as it was.
void WriteListFile(const QString &path, const QList<QByteArray> &lines);
