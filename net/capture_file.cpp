#include "net/capture_file.h"

#include "base/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int OpenFlags(TCaptureOpen mode)
{
    const int common = O_WRONLY | O_CLOEXEC | O_NOFOLLOW;
    switch (mode) {
    case TCaptureOpen::Replace:
        return common | O_CREAT | O_TRUNC;
    case TCaptureOpen::CreateNew:
        return common | O_CREAT | O_EXCL;
    case TCaptureOpen::Append:
        // Non-blocking: a pipe without a reader fails at once instead of
        // waiting for one; a regular file does not notice the flag.
        return common | O_APPEND | O_NONBLOCK;
    case TCaptureOpen::Rewrite:
        return common | O_CREAT | O_NONBLOCK;
    }
    return common;
}

[[noreturn]] void Refuse(const QByteArray &path, TCaptureOpen mode, const QString &reason)
{
    if (mode == TCaptureOpen::Append)
        throw EFOpenError::CannotOpen(QString::fromUtf8(path), reason);
    throw EFCreateError::CannotCreate(QString::fromUtf8(path), reason);
}

// Append and Rewrite take a regular file of one name only (a second name,
// a hard link, may stand anywhere: writing to it would change a file
// elsewhere); Rewrite empties it then.
void CheckRegularFile(int fd, const QByteArray &path, TCaptureOpen mode)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        Refuse(path, mode, QStringLiteral("Not a regular file"));
    }
    if (status.st_nlink != 1) {
        ::close(fd);
        Refuse(path, mode, QStringLiteral("The file has more than one name"));
    }
    if (mode == TCaptureOpen::Rewrite && ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        Refuse(path, mode, SystemErrorMessage(error));
    }
}

int OpenForCapture(const QByteArray &path, TCaptureOpen mode)
{
    int fd = -1;
    int error = ENOENT;
    if (!path.isEmpty() && !path.contains('\0')) {
        fd = ::open(path.constData(), OpenFlags(mode), 0666);
        error = errno;
    }
    if (fd < 0)
        Refuse(path, mode, SystemErrorMessage(error));
    if (mode == TCaptureOpen::Append || mode == TCaptureOpen::Rewrite)
        CheckRegularFile(fd, path, mode);
    return fd;
}

}  // namespace

TCaptureFile::TCaptureFile(const QByteArray &path, TCaptureOpen mode) : fd_(OpenForCapture(path, mode)) {}

TCaptureFile::~TCaptureFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

qint64 TCaptureFile::Size() const
{
    struct stat status {};
    if (::fstat(fd_, &status) != 0)
        throw EInOutError(SystemErrorMessage(errno));
    return status.st_size;
}

void TCaptureFile::Write(const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EInOutError(SystemErrorMessage(n < 0 ? errno : ENOSPC));
        data += n;
        size -= n;
    }
}

void TCaptureFile::Close()
{
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR)
        throw EInOutError(SystemErrorMessage(errno));
}
