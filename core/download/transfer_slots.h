// The kinds of transfer slot: the file client on this thread (one file at
// a time, its kept connection reused), a THttpWorker thread (several files
// at once) and a stream of a TH2Worker's HTTP/2 connection.
#pragma once

#include "core/download/transfer_slot.h"

class TH2Worker;
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

// Stream slot `slot` of an HTTP/2 worker (not owned): it takes only files
// of the worker's origin asked afresh, and none whose answer redirected on
// a stream before. The worker's OnFinished is the batch's to route to the
// slot's (Finish).
class TStreamSlot : public TTransferSlot {
public:
    TStreamSlot(TH2Worker &worker, int slot) : worker_(worker), slot_(slot) {}
    void Start(const QByteArray &address, const QByteArray &part, const THttpRequestSettings &settings,
               const TResumePoint &resume) override;
    qint64 BytesReceived() const override;
    qint64 BytesExpected() const override;
    int ReplyNumber() const override;
    void Cancel() override;  // this stream only; the connection stays
    bool Busy() const override;
    bool Takes(const TBatchFile &file, const TResumePoint &resume) const override;
    bool Stream() const override { return true; }
    void Finish(TTransferResult result);

private:
    TH2Worker &worker_;
    const int slot_;
};
