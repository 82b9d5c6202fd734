// The two kinds of transfer slot: the file client on this thread (one file
// at a time, its kept connection reused) and a THttpWorker thread (several
// files at once).
#pragma once

#include "core/download/transfer_slot.h"

class THttpClient;
class THttpWorker;

// The file client: Start runs the GET here, its waits pumping this
// thread's events, and calls OnFinished before it returns.
class TClientSlot : public TTransferSlot {
public:
    explicit TClientSlot(THttpClient &client) : client_(client) {}
    void Start(const QByteArray &address, const QByteArray &part, const THttpRequestSettings &settings,
               const TResumePoint &resume) override;
    qint64 BytesReceived() const override;
    qint64 BytesExpected() const override;  // the answer's Content-Length
    int ReplyNumber() const override;
    void Cancel() override;  // Abort, then Disconnect
    bool Busy() const override { return busy_; }

private:
    THttpClient &client_;
    bool busy_ = false;
};

// A worker thread; the worker is not owned (the window keeps its workers).
class TWorkerSlot : public TTransferSlot {
public:
    explicit TWorkerSlot(THttpWorker &worker);
    ~TWorkerSlot() override;
    void Start(const QByteArray &address, const QByteArray &part, const THttpRequestSettings &settings,
               const TResumePoint &resume) override;
    qint64 BytesReceived() const override;
    int ReplyNumber() const override;
    void Cancel() override;
    bool Busy() const override;

private:
    THttpWorker &worker_;
};
