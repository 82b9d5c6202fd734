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
