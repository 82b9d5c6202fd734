// A transfer slot that plays scripted answers instead of talking to a
// server: each address has its answers in order, one per attempt. The
// body goes into the part file as a real transfer writes it. On this
// thread (one slot) the outcome comes before Start returns; "later" slots
// hand it over from the event loop, as a worker thread does. An answer
// that hangs ends only when the slot is canceled.
#pragma once

#include "core/download/transfer_slot.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

struct TFakeAnswer {
    int status = 200;
    QByteArray body;
    qint64 contentLength = -1;  // -1: the body's size
    TTransferFault fault = TTransferFault::None;
    QString faultText;
    bool hang = false;

    static TFakeAnswer Ok(const QByteArray &body) { return {200, body, -1, TTransferFault::None, {}, false}; }
    static TFakeAnswer Status(int status)
    {
        return {status, "<p>" + QByteArray::number(status), -1, TTransferFault::None, {}, false};
    }
    static TFakeAnswer Cut(const QByteArray &body, qint64 announced)
    {
        return {200, body, announced, TTransferFault::None, {}, false};
    }
    static TFakeAnswer Fault(TTransferFault fault, const QString &text) { return {0, {}, -1, fault, text, false}; }
    static TFakeAnswer Hang() { return {200, {}, -1, TTransferFault::None, {}, true}; }
};

// The answers by address, shared by the slots of one batch; what was asked.
struct TFakeServer {
    QHash<QByteArray, QList<TFakeAnswer>> answers;
    QList<QByteArray> requested;
    QList<std::pair<QByteArray, QByteArray>> servedBy;  // (the slot's label, the address) of each start
    std::function<void()> onHang;  // runs as a hanging answer starts
    TFakeAnswer Next(const QByteArray &address);
};

class TFakeSlot : public TTransferSlot {
public:
    TFakeSlot(TFakeServer &server, bool later) : server_(server), later_(later) {}
    ~TFakeSlot() override;
    void Start(const QByteArray &address, const QByteArray &part, const THttpRequestSettings &settings,
               const TResumePoint &resume) override;
    qint64 BytesReceived() const override { return bytes_; }
    int ReplyNumber() const override { return busy_ ? result_.ReplyNumber : 0; }
    void Cancel() override;
    bool Busy() const override { return busy_; }
    bool Takes(const TBatchFile &file, const TResumePoint &resume) const override
    {
        return !takes || takes(file, resume);
    }
    bool Stream() const override { return stream; }
    // A stream's way: only some files. Empty: every file.
    std::function<bool(const TBatchFile &, const TResumePoint &)> takes;
    bool stream = false;
    QByteArray label;

private:
    void Finish();
    TFakeServer &server_;
    bool later_;
    bool busy_ = false;
    bool canceled_ = false;
    qint64 bytes_ = 0;
    TTransferResult result_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
