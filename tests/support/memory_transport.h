// TMemoryTransport: a TTransport over memory for the tests and the fuzz
// targets (no GoogleTest here). What the peer sends is given with Give and
// received in order; an empty store says "wait for Read" (-1), or the end
// (0) once End() was called. What the layer above sends is collected for
// TakeSent. Sends may be cut to a size or refused ("wait for Write").
#pragma once

#include "net/transport.h"

#include <QByteArray>
#include <algorithm>

class TMemoryTransport final : public TTransport {
public:
    // Bytes the peer sends.
    void Give(const QByteArray &bytes) { incoming_.append(bytes); }
    // The peer closed: after the given bytes, Receive says 0.
    void End() { ended_ = true; }
    // What was sent since the last call.
    QByteArray TakeSent()
    {
        QByteArray sent;
        sent.swap(sent_);
        return sent;
    }
    qsizetype Pending() const { return incoming_.size() - readStart_; }

    // The most one Send takes (0: all); refuse: every Send waits.
    qsizetype SendCut = 0;
    bool SendBlocked = false;
    // The most one Receive gives (0: as much as asked).
    qsizetype ReceiveCut = 0;

    bool Closed = false;
    bool ClosedNotifying = false;
    qint64 TotalSent = 0;

    bool Open() override { return true; }

    qsizetype Receive(char *into, qsizetype size) override
    {
        const qsizetype left = incoming_.size() - readStart_;
        if (left == 0) {
            want_ = ended_ ? TWant::None : TWant::Read;
            return ended_ ? 0 : -1;
        }
        qsizetype count = std::min(left, size);
        if (ReceiveCut > 0)
            count = std::min(count, ReceiveCut);
        std::copy_n(incoming_.constData() + readStart_, count, into);
        readStart_ += count;
        if (readStart_ == incoming_.size()) {
            incoming_.clear();
            readStart_ = 0;
        }
        want_ = TWant::None;
        return count;
    }

    qsizetype Send(const char *data, qsizetype size, bool) override
    {
        if (SendBlocked) {
            want_ = TWant::Write;
            return -1;
        }
        const qsizetype count = SendCut > 0 ? std::min(size, SendCut) : size;
        sent_.append(data, count);
        TotalSent += count;
        want_ = TWant::None;
        return count;
    }

    void Close(bool notifyPeer) override
    {
        Closed = true;
        ClosedNotifying = notifyPeer;
    }
    TWant Want() const override { return want_; }
    int Handle() const override { return -1; }

private:
    QByteArray incoming_;
    qsizetype readStart_ = 0;
    QByteArray sent_;
    bool ended_ = false;
    TWant want_ = TWant::None;
};
