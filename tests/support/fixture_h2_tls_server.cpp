#include "tests/support/fixture_h2_tls_server.h"

#include "tests/support/loopback_sockets.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// "h2" when the client offers it; no protocol otherwise (the handshake goes
// on without ALPN, and the client finds no "h2").
int SelectH2(SSL *, const unsigned char **out, unsigned char *outLength, const unsigned char *in,
             unsigned int inLength, void *)
{
    for (unsigned int at = 0; at < inLength; at += 1u + in[at]) {
        if (at + 1u + in[at] <= inLength && in[at] == 2 && in[at + 1] == 'h' && in[at + 2] == '2') {
            *out = in + at + 1;
            *outLength = 2;
            return SSL_TLSEXT_ERR_OK;
        }
    }
    return SSL_TLSEXT_ERR_NOACK;
}

// The milliseconds a connection's wait for bytes lasts before it looks at
// the stop flag again.
constexpr int kPollMs = 20;

}  // namespace

struct TFixtureH2TlsServer::TConnection {
    explicit TConnection(TH2ServerOptions options) : Server(options) {}
    TFixtureH2Server Server;  // under the server's lock_
    std::thread Thread;
    int Fd = -1;
    size_t PathsSeen = 0;  // Server.Requests already copied into paths_
};

TFixtureH2TlsServer::TFixtureH2TlsServer(const FixtureTls &tls, TH2ServerOptions options, TSetup setup)
    : options_(options), setup_(std::move(setup))
{
    context_ = SSL_CTX_new(TLS_server_method());
    if (!context_)
        throw std::runtime_error("fixture h2: SSL_CTX_new failed");
    if (SSL_CTX_use_certificate_chain_file(context_, tls.CertFile.constData()) != 1
        || SSL_CTX_use_PrivateKey_file(context_, tls.KeyFile.constData(), SSL_FILETYPE_PEM) != 1) {
        SSL_CTX_free(context_);
        throw std::runtime_error("fixture h2: cannot load the certificate and key");
    }
    SSL_CTX_set_alpn_select_cb(context_, SelectH2, nullptr);
    listenFd_ = BoundLoopbackSocket(port_);
    if (::listen(listenFd_, 64) != 0 || ::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        SSL_CTX_free(context_);
        throw std::runtime_error("fixture h2: listen failed");
    }
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

TFixtureH2TlsServer::~TFixtureH2TlsServer()
{
    stopping_ = true;
    (void)!::write(wakePipe_[1], "x", 1);
    acceptThread_.join();
    {
        const std::lock_guard hold(lock_);
        for (auto &connection : connections_)
            ::shutdown(connection->Fd, SHUT_RDWR);
    }
    for (auto &connection : connections_)
        if (connection->Thread.joinable())
            connection->Thread.join();
    for (auto &connection : connections_)
        ::close(connection->Fd);
    ::close(listenFd_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
    SSL_CTX_free(context_);
}

QByteArray TFixtureH2TlsServer::Url(const QByteArray &path) const
{
    return "https://127.0.0.1:" + QByteArray::number(port_) + path;
}

void TFixtureH2TlsServer::AcceptLoop()
{
    for (;;) {
        const int fd = AcceptUnlessStopping(listenFd_, wakePipe_[0], stopping_);
        if (fd < 0)
            return;
        auto connection = std::make_unique<TConnection>(options_);
        connection->Fd = fd;
        setup_(connection->Server);
        TConnection &held = *connection;
        {
            const std::lock_guard hold(lock_);
            connections_.push_back(std::move(connection));
        }
        held.Thread = std::thread([this, &held] { Pump(held); });
    }
}

// The handshake, then: what the client sent goes into the server, what the
// server has goes out, until either side ends.
void TFixtureH2TlsServer::Pump(TConnection &connection)
{
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    SSL *ssl = SSL_new(context_);
    const unsigned char *chosen = nullptr;
    unsigned int chosenLength = 0;
    bool open = ssl && SSL_set_fd(ssl, connection.Fd) == 1 && SSL_accept(ssl) == 1;
    if (open)
        SSL_get0_alpn_selected(ssl, &chosen, &chosenLength);
    open = open && chosenLength == 2;
    std::vector<char> buffer(16384);
    while (open && !stopping_) {
        QByteArray output;
        try {
            const std::lock_guard hold(lock_);
            output = connection.Server.TakeOutput();
        } catch (const std::exception &) {
            break;
        }
        if (!output.isEmpty() && SSL_write(ssl, output.constData(), static_cast<int>(output.size())) <= 0)
            break;
        pollfd wait{connection.Fd, POLLIN, 0};
        if (SSL_pending(ssl) == 0 && ::poll(&wait, 1, kPollMs) <= 0)
            continue;
        const int got = SSL_read(ssl, buffer.data(), static_cast<int>(buffer.size()));
        if (got <= 0)
            break;
        try {
            const std::lock_guard hold(lock_);
            connection.Server.Feed(QByteArray(buffer.data(), got));
            const std::vector<TH2Fields> &requests = connection.Server.Requests;
            for (; connection.PathsSeen < requests.size(); ++connection.PathsSeen)
                for (const auto &[name, value] : requests[connection.PathsSeen])
                    if (name == ":path")
                        paths_.push_back(value);
        } catch (const std::exception &) {
            break;
        }
    }
    ERR_clear_error();
    if (ssl)
        SSL_free(ssl);
    ::shutdown(connection.Fd, SHUT_RDWR);
}

template <class F>
auto TFixtureH2TlsServer::Read(F read) const
{
    const std::lock_guard hold(lock_);
    return read();
}

int TFixtureH2TlsServer::Connections() const
{
    return Read([this] { return static_cast<int>(connections_.size()); });
}

std::vector<QByteArray> TFixtureH2TlsServer::Paths() const
{
    return Read([this] { return paths_; });
}

std::vector<TH2Fields> TFixtureH2TlsServer::Requests() const
{
    return Read([this] {
        std::vector<TH2Fields> all;
        for (const auto &connection : connections_)
            all.insert(all.end(), connection->Server.Requests.begin(), connection->Server.Requests.end());
        return all;
    });
}

int TFixtureH2TlsServer::ClientResets() const
{
    return Read([this] {
        size_t resets = 0;
        for (const auto &connection : connections_)
            resets += connection->Server.ClientResets.size();
        return static_cast<int>(resets);
    });
}

int TFixtureH2TlsServer::MostOpenStreams() const
{
    return Read([this] {
        int most = 0;
        for (const auto &connection : connections_)
            most = std::max(most, connection->Server.MostOpenStreams);
        return most;
    });
}

int TFixtureH2TlsServer::ClientGoAways() const
{
    return Read([this] {
        return static_cast<int>(std::count_if(connections_.begin(), connections_.end(),
                                              [](const auto &c) { return c->Server.ClientGoAway; }));
    });
}
