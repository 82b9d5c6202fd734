#include "net/capture_file.h"

#include "base/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

static int OpenForCapture(const QByteArray &path, bool createNew)
{
    int fd = -1;
    int error = ENOENT;
    if (!path.isEmpty() && !path.contains('\0')) {
        const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (createNew ? O_EXCL : O_TRUNC);
        fd = ::open(path.constData(), flags, 0666);
        error = errno;
    }
    if (fd < 0)
        throw EFCreateError::CannotCreate(QString::fromUtf8(path), SystemErrorMessage(error));
    return fd;
}

TCaptureFile::TCaptureFile(const QByteArray &path, bool createNew) : fd_(OpenForCapture(path, createNew)) {}

TCaptureFile::~TCaptureFile()
{
    if (fd_ >= 0)
        ::close(fd_);
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
