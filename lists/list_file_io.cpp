#include "lists/list_file_io.h"

#include "base/errors.h"
#include "base/text_lines.h"
#include "lists/list_file_format.h"

#include <QFile>
#include <QSaveFile>

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
    QSaveFile file(path);
    // A file in a folder we may not create files in is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError::CannotCreate(path, file.errorString());
    if (file.write(JoinLinesCrLf(lines)) < 0 || !file.commit())
        throw EInOutError(file.errorString());
}
