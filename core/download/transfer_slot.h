// One place a file of a batch transfers in: the batch's scheduler starts a
// transfer in a free slot, reads its bytes so far for the progress, may
// cancel it, and gets its outcome through OnFinished. A slot on this
// thread (the file client) finishes before Start returns; a slot on a
// worker thread finishes later, from the event loop.
#pragma once

#include "core/download/batch_file.h"
#include "net/http_worker.h"

#include <QByteArray>
#include <functional>

class TTransferSlot {
public:
    virtual ~TTransferSlot() = default;
    // A GET of address whose body goes into the part file, with the
    // request settings; resume.From > 0 continues the part.
    virtual void Start(const QByteArray &address, const QByteArray &part, const THttpRequestSettings &settings,
                       const TResumePoint &resume) = 0;
    // Body bytes received so far by the running transfer (or the last one).
    virtual qint64 BytesReceived() const = 0;
    // The body's size when the running transfer knows it; -1 otherwise.
    virtual qint64 BytesExpected() const { return -1; }
    // The running transfer's status code once its header came; 0 before,
    // or when the slot cannot tell.
    virtual int ReplyNumber() const { return 0; }
    // Ends a running transfer (it finishes canceled) and drops the slot's
    // connection, so the next transfer in it connects afresh.
    virtual void Cancel() = 0;
    virtual bool Busy() const = 0;
    // Whether the slot can transfer file, continuing its part from
    // resume.From when that is above 0. Every slot but an HTTP/2 stream
    // takes every file.
    virtual bool Takes(const TBatchFile &, const TResumePoint &) const { return true; }
    // A stream of a connection the batch shares: a file one of these takes
    // waits for one of them rather than going to another kind of slot.
    virtual bool Stream() const { return false; }
    // The outcome of each Start.
    std::function<void(TTransferResult)> OnFinished;
    // Body bytes came (a slot on this thread only, at each received block;
    // a worker's bytes are looked at from a timer).
    std::function<void()> OnBodyBytes;
};
