// The addresses of the files given up in this run and the text list
// "error.log" in the program's folder that holds them, which can be loaded
// as a list.
#pragma once

#include "base/line_file.h"

#include <QByteArray>
#include <QList>

struct TErrorLog {
    QList<QByteArray> entries;
    TLineFileMark mark;  // "error.log" as last written: it holds entries

    // Adds the address and writes the file.
    void Add(const QByteArray &address);
    // Writes error.log after the last added entries came. The program's
    // first failure replaces the file of an earlier run; after that each
    // failure adds its line to the end, while the file is still the one
    // this run wrote and holds every entry before these. Else (gone,
    // changed, a failed append, entries changed) it is written whole again.
    void Save(qsizetype added);
};
