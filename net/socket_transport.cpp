#include "net/socket_transport.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

TSocketTransport::~TSocketTransport()
{
    if (fd_ >= 0)
        ::close(fd_);
}

// errno stays as the call left it (the owner reads it).
qsizetype TSocketTransport::Failed(TWant wait)
{
    want_ = errno == EAGAIN || errno == EWOULDBLOCK ? wait : TWant::None;
    return -1;
}

qsizetype TSocketTransport::Receive(char *into, qsizetype size)
{
    const ssize_t n = ::recv(fd_, into, size_t(size), 0);
    if (n < 0)
        return Failed(TWant::Read);
    want_ = TWant::None;
    return n;
}

qsizetype TSocketTransport::Send(const char *data, qsizetype size, bool more)
{
    const ssize_t n = ::send(fd_, data, size_t(size), MSG_NOSIGNAL | (more ? MSG_MORE : 0));
    if (n < 0)
        return Failed(TWant::Write);
    want_ = TWant::None;
    return n;
}

// A socket has no goodbye of its own: notifyPeer changes nothing.
void TSocketTransport::Close(bool)
{
    want_ = TWant::None;
    if (fd_ < 0)
        return;
    closeResult_ = ::close(fd_);
    closeError_ = closeResult_ == 0 ? 0 : errno;
    fd_ = -1;
}
