#include "core/lists/list_file_io.h"

#include "base/errors.h"
#include "base/line_file.h"
#include "core/lists/list_file_format.h"

#include <QFile>

QByteArray ReadListText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError::CannotOpen(path, file.errorString());
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(file.errorString());
    return TextUpToNul(text);
}

QList<QByteArray> ReadListFile(const QString &path)
{
    return ListFileLines(ReadListText(path));
}

void WriteListFile(const QString &path, const QList<QByteArray> &lines)
{
    WriteLineFile(path, lines, LineFileFallback::WriteInPlace);
}
