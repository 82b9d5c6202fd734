// Helpers of the fuzz targets that drive the real connection: the event
// loop the connection waits in, a "server" on the far end of socket pairs,
// an HTTP client that connects to it instead of dialling, and a count of
// open descriptors to catch leaks. Header-only, for the targets' own use.
#pragma once

#include "base/errors.h"
#include "net/http_client.h"

#include <QCoreApplication>
#include <dirent.h>
#include <functional>
#include <list>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace fuzz {

// The connection's waits turn the Qt event loop: one application object
// for the whole process.
inline void StartEventLoop()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    (void)app;
}

// Whether bytes open a TLS handshake record (a ClientHello): what a pass to
// an https address sends first. The pair server speaks no TLS, so no
// request follows it.
inline bool IsTlsHandshake(const QByteArray &bytes)
{
    return bytes.size() >= 3 && bytes[0] == 0x16 && bytes[1] == 0x03;
}

// How many descriptors the process has open.
inline int OpenDescriptors()
{
    DIR *dir = ::opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int count = 0;
    while (::readdir(dir))
        ++count;
    ::closedir(dir);
    return count;
}

// The server side of socket pairs. Each Open gives the client's end of a
// fresh pair whose far end sends the reply (a thread sends what the pair
// cannot hold at once) and then shuts its sending side, so the client sees
// the bytes and then the close. The far ends stay open until destruction, keeping what the client
// sent. Destroy the server after every client end is closed: a writer
// still blocked on a full pair ends only when the client's end goes.
class PairServer {
public:
    PairServer() = default;
    PairServer(const PairServer &) = delete;
    PairServer &operator=(const PairServer &) = delete;
    ~PairServer()
    {
        for (Peer &peer : peers_) {
            if (peer.writer.joinable())
                peer.writer.join();
            ::close(peer.fd);
        }
    }

    // The client's end, or -1 when no pair could be made.
    int Open(const QByteArray &reply)
    {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            return -1;
        Peer &peer = peers_.emplace_back();
        peer.fd = ends[1];
        // What the pair holds at once goes now; a thread sends the rest
        // while the client reads.
        size_t sent = 0;
        while (sent < size_t(reply.size())) {
            const ssize_t n = ::send(ends[1], reply.constData() + sent, size_t(reply.size()) - sent,
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n <= 0)
                break;
            sent += size_t(n);
        }
        if (sent == size_t(reply.size())) {
            ::shutdown(ends[1], SHUT_WR);
            return ends[0];
        }
        peer.writer = std::thread([fd = ends[1], bytes = reply.mid(qsizetype(sent)).toStdString()] {
            size_t sent = 0;
            while (sent < bytes.size()) {
                const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;  // the client closed its end
                sent += size_t(n);
            }
            ::shutdown(fd, SHUT_WR);
        });
        return ends[0];
    }

    // What the client has sent on each pair so far, in order of Open.
    QList<QByteArray> Received()
    {
        QList<QByteArray> all;
        for (Peer &peer : peers_) {
            char block[4096];
            for (;;) {
                const ssize_t n = ::recv(peer.fd, block, sizeof block, MSG_DONTWAIT);
                if (n <= 0)
                    break;
                peer.received.append(block, n);
            }
            all << peer.received;
        }
        return all;
    }

    int Connections() const { return int(peers_.size()); }

private:
    struct Peer {
        int fd = -1;
        std::thread writer;
        QByteArray received;
    };
    std::list<Peer> peers_;
};

// An HTTP client whose every connection is a pair of the server: Reply
// gives the bytes the server sends on the n-th connection (from 1), and
// CheckConnect sees the client just before it would dial.
class PairHttpClient : public THttpClient {
public:
    explicit PairHttpClient(PairServer &server) : server_(server) {}

    std::function<QByteArray(int connection)> Reply;
    std::function<void(PairHttpClient &)> CheckConnect;

    void Connect() override
    {
        if (CheckConnect)
            CheckConnect(*this);
        const int fd = server_.Open(Reply(server_.Connections() + 1));
        if (fd < 0)
            throw ESockError(QStringLiteral("Connection Failed"));
        try {
            AttachConnected(fd);
        } catch (...) {
            ::close(fd);
            throw;
        }
        if (OnConnect)
            OnConnect(this);
    }

private:
    PairServer &server_;
};

}  // namespace fuzz
