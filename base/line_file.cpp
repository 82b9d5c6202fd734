#include "base/line_file.h"

#include "base/errors.h"
#include "base/text_lines.h"

#include <QFile>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {
TLineFileMark MarkOf(const struct stat &info)
{
    if (!S_ISREG(info.st_mode))
        return {};
    return {qint64(info.st_size), quint64(info.st_dev), quint64(info.st_ino)};
}
}  // namespace

TLineFileMark LineFileMarkOf(const QString &path, qsizetype lines)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    TLineFileMark mark = MarkOf(info);
    mark.lines = lines;
    return mark;
}

TLineFileMark AppendLineFile(const QString &path, const QList<QByteArray> &lines, const TLineFileMark &mark)
{
    if (mark.size < 0)
        return {};
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat info {};
    TLineFileMark now = ::fstat(fd, &info) == 0 ? MarkOf(info) : TLineFileMark{};
    if (now.size != mark.size || now.device != mark.device || now.inode != mark.inode) {
        ::close(fd);
        return {};
    }
    const QByteArray text = JoinLinesCrLf(lines);
    ssize_t n;
    do
        n = ::write(fd, text.constData(), size_t(text.size()));
    while (n < 0 && errno == EINTR);
    if (n != text.size()) {
        // A part of the lines went in: cut it off again. Should that fail
        // too, the caller's whole write replaces the file all the same.
        if (n > 0 && ::ftruncate(fd, mark.size) != 0)
            errno = 0;
        ::close(fd);
        return {};
    }
    now.size += text.size();
    now.lines = mark.lines + lines.size();
    return ::close(fd) == 0 ? now : TLineFileMark{};
}
