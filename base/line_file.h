// Files of text lines that the program keeps: the address history dl.ini,
// error.log and the text list files. Every line is written followed by
// CR LF, to a new file in the same folder that replaces the old one only
// once it is complete, so a failed write (disk full, no permission) never
// leaves a truncated file behind and the previous one stays as it was.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

enum class LineFileFallback {
    None,
    // A file in a folder we may not create files in (a list file the user
    // picked in a read-only folder but may write) is written in place.
    WriteInPlace,
};

// Raises EFCreateError "Cannot create file "path". reason" when the file
// cannot be written; the previous file is then untouched.
void WriteLineFile(const QString &path, const QList<QByteArray> &lines,
                   LineFileFallback fallback = LineFileFallback::None);

// Where a line file stood when it was last written: its size, identity and
// lines. size -1: not known (never written, or a write failed).
struct TLineFileMark {
    qint64 size = -1;
    quint64 device = 0;
    quint64 inode = 0;
    qsizetype lines = 0;  // as the writer counted them
};

// The mark of the regular file at path now, holding lines lines; size -1
// when there is none.
TLineFileMark LineFileMarkOf(const QString &path, qsizetype lines);

// Adds the lines (each followed by CR LF) to the end of the file in one
// write, when the file is still the one mark describes (the same regular
// file, not a link, of the same size); gives the new mark. Gives size -1
// when it did not append: the file changed, is gone, or the write failed,
// in which case what was written is cut off again. The caller then writes
// the file whole.
TLineFileMark AppendLineFile(const QString &path, const QList<QByteArray> &lines, const TLineFileMark &mark);
