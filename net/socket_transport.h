// TSocketTransport: the bottom layer of a connection, a connected (or
// connecting) non-blocking stream socket. It owns the descriptor from its
// construction: Close or the destructor closes it, once.
//
// Receive and Send are one recv and one send each. -1 means the call
// failed and errno says how: EAGAIN sets Want() to the readiness to wait
// for; any other error leaves Want() None (EINTR: call again), and the
// owner turns errno into its error.
#pragma once

#include "net/transport.h"

class TSocketTransport final : public TTransport {
public:
    explicit TSocketTransport(int fd) : fd_(fd) {}
    ~TSocketTransport() override;
    TSocketTransport(const TSocketTransport &) = delete;
    TSocketTransport &operator=(const TSocketTransport &) = delete;

    // The connect itself is the connection's (the name look-up, the
    // notifiers and the time-out are there): a socket layer is open.
    bool Open() override { return true; }
    qsizetype Receive(char *into, qsizetype size) override;
    qsizetype Send(const char *data, qsizetype size, bool more) override;
    void Close(bool notifyPeer) override;
    TWant Want() const override { return want_; }
    int Handle() const override { return fd_; }

    // The result of the close (0, or -1 with CloseError() the errno), for
    // an owner that reports a failed close.
    int CloseResult() const { return closeResult_; }
    int CloseError() const { return closeError_; }

private:
    qsizetype Failed(TWant wait);

    int fd_ = -1;
    TWant want_ = TWant::None;
    int closeResult_ = 0;
    int closeError_ = 0;
};
