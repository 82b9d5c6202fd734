// An HTTP proxy for tunnel tests that records what clients ask of it. It
// runs in its own threads, listens on 127.0.0.1 on an ephemeral port and,
// for each connection, reads the request head up to its blank line and
// records those raw bytes. Then:
//   CONNECT 127.0.0.1:<port> HTTP/1.x   (or localhost:<port>) connects to
//       127.0.0.1:<port>, answers "HTTP/1.0 200 Connection established"
//       and a blank line, and relays bytes both ways; an end of sending on
//       one side is passed on to the other (a reset as a reset), and the
//       tunnel ends when both sides have ended or the proxy stops
//   CONNECT to any other host, or a port that refuses
//                               "HTTP/1.0 502 Bad Gateway", then close
//   CONNECT to a malformed target  "HTTP/1.0 400 Bad Request", then close
//   any other method             "HTTP/1.0 405 Method Not Allowed", then close
//   any CONNECT after RefuseWith(line)  that status line, then close
// Every answer that is not a tunnel has Content-Type text/plain, a
// Content-Length and a one-line body. Only loopback is ever connected to.
//
//   RecordingConnectProxy proxy;
//   client.SetProxy("127.0.0.1", proxy.Port());
//   client.Get(tlsServer.Url("/ok"));
//   EXPECT_TRUE(proxy.Requests()[0].startsWith("CONNECT 127.0.0.1:"));
#pragma once

#include <QByteArray>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

class RecordingConnectProxy {
public:
    RecordingConnectProxy();   // listening and serving when constructed
    ~RecordingConnectProxy();  // ends every tunnel at once and joins the threads
    RecordingConnectProxy(const RecordingConnectProxy &) = delete;
    RecordingConnectProxy &operator=(const RecordingConnectProxy &) = delete;

    quint16 Port() const { return port_; }

    // From now on every CONNECT is answered with statusLine (without line
    // end, e.g. "HTTP/1.0 403 Forbidden"), a short body and a close
    // (thread-safe).
    void RefuseWith(const QByteArray &statusLine);

    // The raw request heads received so far, each up to and with its blank
    // line (or what came before the client stopped), in order (thread-safe).
    std::vector<QByteArray> Requests() const;

private:
    void AcceptLoop();
    void Serve(int fd);
    void Answer(int fd, const QByteArray &statusLine);
    void Relay(int client, int upstream, const QByteArray &early);
    int ConnectUpstream(quint16 port);  // -1 when refused or stopping
    void Forget(int fd);                // no longer shut at stop; closes it

    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    quint16 port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    QByteArray refusal_;  // empty: tunnels are made
    std::vector<QByteArray> requests_;
    std::set<int> openFds_;
    std::vector<std::thread> connections_;
    std::thread acceptThread_;
};
