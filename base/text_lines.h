// Text as line lists: lines end with CR, LF or CR LF on reading and with
// CR LF on writing; a single-line field keeps the first line of a text.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The lines of a text; a final line ending adds no empty line.
QList<QByteArray> SplitLines(const QByteArray &text);
// Every line followed by CR LF.
QByteArray JoinLinesCrLf(const QList<QByteArray> &lines);

// What a single-line field keeps of a pasted text: up to the first line break.
QString SingleLineOf(const QString &text);
