#include "tests/support/connect_proxy.h"

#include "tests/support/loopback_sockets.h"

#include <QList>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxHeadBytes = 64 * 1024;

void SetResetAtClose(int fd)
{
    const linger reset{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
}

sockaddr_in Loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

}  // namespace

RecordingConnectProxy::RecordingConnectProxy()
{
    listenFd_ = BoundLoopbackSocket(port_);
    if (::listen(listenFd_, 64) != 0 || ::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("proxy: listen failed");
    }
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

RecordingConnectProxy::~RecordingConnectProxy()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // Ends every blocking read, send and connect of the connection
        // threads, on both sides of every tunnel.
        for (int fd : openFds_)
            ::shutdown(fd, SHUT_RDWR);
    }
    (void)!::write(wakePipe_[1], "x", 1);
    acceptThread_.join();
    for (std::thread &t : connections_)
        t.join();
    ::close(listenFd_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

void RecordingConnectProxy::RefuseWith(const QByteArray &statusLine)
{
    std::lock_guard lock(mutex_);
    refusal_ = statusLine;
}

std::vector<QByteArray> RecordingConnectProxy::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void RecordingConnectProxy::AcceptLoop()
{
    for (int fd; (fd = AcceptUnlessStopping(listenFd_, wakePipe_[0], stopping_)) >= 0;) {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(fd);
            return;
        }
        openFds_.insert(fd);
        connections_.emplace_back([this, fd] { Serve(fd); });
    }
}

void RecordingConnectProxy::Serve(int fd)
{
    // The head up to its blank line; bytes after it (a client that does
    // not wait for the answer) go into the tunnel first.
    QByteArray head;
    char block[16384];
    while (!stopping_ && head.size() < kMaxHeadBytes && !head.contains("\r\n\r\n")) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0)
            break;
        const ssize_t n = ::recv(fd, block, sizeof block, 0);
        if (n <= 0)
            break;
        head.append(block, n);
    }
    QByteArray early;
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end >= 0) {
        early = head.mid(end + 4);
        head.truncate(end + 4);
    }
    QByteArray refusal;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(head);
        refusal = refusal_;
    }

    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
    if (words.size() != 3 || words[0] != "CONNECT" || !words[2].startsWith("HTTP/1.")) {
        Answer(fd, words[0] == "CONNECT" ? "HTTP/1.0 400 Bad Request"
                                         : "HTTP/1.0 405 Method Not Allowed");
    } else if (!refusal.isEmpty()) {
        Answer(fd, refusal);
    } else {
        const QByteArray &target = words[1];
        const qsizetype colon = target.lastIndexOf(':');
        const QByteArray host = target.left(colon);
        bool portOk = false;
        const quint16 port = target.mid(colon + 1).toUShort(&portOk);
        if (colon < 0 || !portOk || port == 0) {
            Answer(fd, "HTTP/1.0 400 Bad Request");
        } else if (host != "127.0.0.1" && host != "localhost") {
            Answer(fd, "HTTP/1.0 502 Bad Gateway");
        } else if (const int upstream = ConnectUpstream(port); upstream < 0) {
            Answer(fd, "HTTP/1.0 502 Bad Gateway");
        } else {
            const QByteArray established = "HTTP/1.0 200 Connection established\r\n\r\n";
            if (SendAll(fd, established.constData(), established.size()))
                Relay(fd, upstream, early);
            Forget(upstream);
        }
    }
    Forget(fd);
}

void RecordingConnectProxy::Answer(int fd, const QByteArray &statusLine)
{
    const QByteArray body = "proxy: " + statusLine.mid(statusLine.indexOf(' ') + 1) + "\n";
    const QByteArray bytes = statusLine
                             + "\r\nContent-Type: text/plain\r\nContent-Length: "
                             + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    SendAll(fd, bytes.constData(), bytes.size());
    ::shutdown(fd, SHUT_WR);
}

int RecordingConnectProxy::ConnectUpstream(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(fd);
            return -1;
        }
        openFds_.insert(fd);  // the destructor's shutdown also ends a pending connect
    }
    const sockaddr_in address = Loopback(port);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        Forget(fd);
        return -1;
    }
    return fd;
}

// Copies each side's bytes to the other. A side's end of sending is passed
// on as an end of sending, so a response and its close_notify arrive whole
// before the client sees the end; a reset is passed on as a reset. Ends
// when both sides have ended, at a reset or failed send, or at the stop.
void RecordingConnectProxy::Relay(int client, int upstream, const QByteArray &early)
{
    if (!early.isEmpty() && !SendAll(upstream, early.constData(), early.size()))
        return;
    struct Direction {
        int From, To;
        bool Open = true;
    };
    Direction directions[2] = {{client, upstream}, {upstream, client}};
    char block[16384];
    while (!stopping_ && (directions[0].Open || directions[1].Open)) {
        pollfd fds[2];
        for (int i = 0; i < 2; ++i)
            fds[i] = {directions[i].Open ? directions[i].From : -1, POLLIN, 0};
        const int ready = ::poll(fds, 2, 100);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            Direction &d = directions[i];
            if (!d.Open || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::recv(d.From, block, sizeof block, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {  // reset by this side: the other side gets a reset too
                SetResetAtClose(d.To);
                return;
            }
            if (n == 0) {
                ::shutdown(d.To, SHUT_WR);
                d.Open = false;
            } else if (!SendAll(d.To, block, n)) {
                SetResetAtClose(d.From);  // the receiver has gone
                return;
            }
        }
    }
}

void RecordingConnectProxy::Forget(int fd)
{
    std::lock_guard lock(mutex_);
    openFds_.erase(fd);
    ::close(fd);
}
