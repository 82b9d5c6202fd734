// TH2StreamJob: one file asked for on an HTTP/2 stream of a TH2Worker. It
// is the stream's sink: the answer's header becomes the result's header
// (first line "HTTP/2 404 Not Found", as an HTTP/1.1 status line reads),
// its Set-Cookie lines go into the shared cookie jar, the body goes into a
// new file (TCaptureFile, as THttpWorker's transfers), and the stream's end
// becomes a TTransferResult with the faults the batch knows: a stream cut
// short, reset or never processed is BrokenOff (retried), our reset
// Canceled (or TimedOut after a silence), a write failure what the file
// raised. A redirect (3xx with a Location) is reset at once and ends
// NotForStreams with nothing written: the batch asks again over HTTP/1.x.
#pragma once

#include "net/h2_session.h"
#include "net/http_worker.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class TCaptureFile;

// The reason phrase RFC 9110 (section 15) gives status; empty for a code it
// names none.
QByteArray HttpReasonPhrase(int status);
// "HTTP/2 <status> <reason>", or "HTTP/2 <status>" without a reason.
QByteArray H2StatusLine(int status);

// A stream slot's progress, read by the owner's thread without a lock.
struct TH2SlotCounters {
    std::atomic<qint64> BytesReceived{0};
    std::atomic<int> ReplyNumber{0};
    std::atomic<qint64> BytesExpected{-1};
    void Clear()
    {
        BytesReceived.store(0, std::memory_order_relaxed);
        ReplyNumber.store(0, std::memory_order_relaxed);
        BytesExpected.store(-1, std::memory_order_relaxed);
    }
};

class TH2StreamJob final : public TStreamSink {
public:
    // What our own reset of the stream means for the result.
    enum class TResetMeaning {
        Canceled,        // the owner's Cancel or Close
        TimedOut,        // the stream was silent past the time-out
        ConnectionLost,  // its connection was given up: retried as broken off
    };

    // ended runs once, from Closed (or an End... call), with the result ready.
    TH2StreamJob(int slot, quint64 number, QByteArray url, QByteArray file, qint32 timeOut,
                 std::shared_ptr<TCookieJar> cookieJar, TH2SlotCounters &counters,
                 std::function<void(TH2StreamJob &)> ended);
    ~TH2StreamJob() override;
    TH2StreamJob(const TH2StreamJob &) = delete;
    TH2StreamJob &operator=(const TH2StreamJob &) = delete;

    // Where the request went (the client's Host and Path after
    // RequestLines): the cookies of the answer belong there.
    void SetTarget(const QByteArray &host, const QByteArray &path);

    void Head(int status, const QByteArray &headerBlock) override;
    void Data(const char *data, qsizetype size) override;
    void Closed(const TH2StreamEnd &end) override;

    // Ends a job that never got a stream: with what the opening (or the
    // submit) raised, canceled, or to be asked again over HTTP/1.x.
    void EndUnstarted(std::exception_ptr error);
    void EndCanceled();
    void EndNotForStreams();

    TTransferResult TakeResult() { return std::move(result_); }
    bool Ended() const { return ended_ == nullptr; }

    const int Slot;
    const quint64 Number;
    const qint32 TimeOut;  // ms of silence that end the stream; 0 none
    int32_t Stream = 0;    // its id once submitted
    TResetMeaning ResetMeaning = TResetMeaning::Canceled;
    // Milliseconds since the last bytes of this stream (or its submit).
    qint64 SilentMs() const { return silence_.elapsed(); }
    void RestartSilence() { silence_.start(); }

private:
    void Finish(std::exception_ptr error, TTransferFaultInfo info);
    void FinishBrokenOff(const QString &text);
    void TakeHeaderLines(const QByteArray &block);

    QByteArray url_, file_;
    std::shared_ptr<TCookieJar> cookieJar_;
    TH2SlotCounters &counters_;
    std::function<void(TH2StreamJob &)> ended_;
    QByteArray host_, path_;
    std::unique_ptr<TCaptureFile> capture_;
    QElapsedTimer silence_;
    int status_ = 0;
    QByteArray header_;
    QByteArray location_;
    qint64 contentLength_ = -1;
    qint64 bytes_ = 0;
    bool timedOut_ = false;
    TTransferResult result_;
};
