// TFixtureH2TlsServer: an HTTPS server on 127.0.0.1 that speaks HTTP/2: it
// accepts connections, runs the OpenSSL server handshake with a test
// certificate, chooses "h2" by ALPN, and pumps the bytes between the TLS
// stream and a TFixtureH2Server of the connection's own (made by the
// setup function, which gives it its answers). A thread per connection;
// every reader below is thread-safe.
//
//   TFixtureH2TlsServer server(TlsIdentity(), {}, [](TFixtureH2Server &s) {
//       s.Answer("/a", TH2Reply{200, {}, {}, {"bytes"}});
//   });
//   worker.Open(server.Url("/"), settings);
#pragma once

#include "tests/support/fixture_h2_server.h"
#include "tests/support/fixture_http_server.h"

#include <QByteArray>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct ssl_ctx_st;

class TFixtureH2TlsServer {
public:
    using TSetup = std::function<void(TFixtureH2Server &)>;

    // Listening when constructed; throws std::runtime_error when OpenSSL
    // cannot load the certificate and key.
    TFixtureH2TlsServer(const FixtureTls &tls, TH2ServerOptions options, TSetup setup);
    ~TFixtureH2TlsServer();  // closes every connection and joins the threads
    TFixtureH2TlsServer(const TFixtureH2TlsServer &) = delete;
    TFixtureH2TlsServer &operator=(const TFixtureH2TlsServer &) = delete;

    // "https://127.0.0.1:<port>" followed by path.
    QByteArray Url(const QByteArray &path) const;
    // Connections accepted so far.
    int Connections() const;
    // The :path of every request, over all connections, in the order they came.
    std::vector<QByteArray> Paths() const;
    // The requests' fields (pseudo-fields first), in the order they came.
    std::vector<TH2Fields> Requests() const;
    // The client's RST_STREAM frames, over all connections.
    int ClientResets() const;
    // The most streams one connection had open at once.
    int MostOpenStreams() const;
    // The connections on which the client said GOAWAY.
    int ClientGoAways() const;

private:
    struct TConnection;
    void AcceptLoop();
    void Pump(TConnection &connection);
    template <class F>
    auto Read(F read) const;

    ssl_ctx_st *context_ = nullptr;
    TH2ServerOptions options_;
    TSetup setup_;
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    quint16 port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex lock_;
    std::vector<std::unique_ptr<TConnection>> connections_;  // under lock_; their servers too
    std::vector<QByteArray> paths_;                          // under lock_
    std::thread acceptThread_;
};
