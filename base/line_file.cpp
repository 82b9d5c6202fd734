#include "base/line_file.h"

#include "base/errors.h"
#include "base/text_lines.h"

#include <QSaveFile>

void WriteLineFile(const QString &path, const QList<QByteArray> &lines, LineFileFallback fallback)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(fallback == LineFileFallback::WriteInPlace);
    const QByteArray text = JoinLinesCrLf(lines);
    // Unbuffered, so that a write cut short (disk full, file-size limit) is
    // seen here and the old file is kept; a buffered write reports success
    // and the flush inside commit() let a truncated file replace it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(text) != text.size() || !file.commit())
        throw EFCreateError::CannotCreate(path, file.errorString());
}
