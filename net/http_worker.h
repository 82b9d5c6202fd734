// THttpWorker: one transfer slot. A thread of its own with its own event
// loop and its own THttpClient, which runs one GET at a time into a file.
// The owner (the window's thread) starts a transfer, may cancel it, reads
// its progress and gets the outcome back on its own thread; the client is
// only ever touched on the worker's thread, and its blocking Get waits by
// pumping that thread's events, never the owner's.
//
//   THttpWorker worker;
//   worker.OnFinished = [](THttpWorker *w, TTransferResult r) { ... };
//   worker.Start(url, file, THttpRequestSettings::Of(fileClient));
//
// Several workers run their transfers at the same time (docs/net.md,
// "Transfers on worker threads").
#pragma once

#include "net/http_client.h"
#include "net/rate_limiter.h"
#include "net/transfer_fault.h"

#include <QByteArray>
#include <QObject>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

// What a file request takes from the window's file client.
struct THttpRequestSettings {
    QByteArray Proxy;
    qint32 ProxyPort = 0;
    qint32 TimeOut = 0;
    qint32 LowSpeedTime = 0;  // TSocketConnection::LowSpeedTime (seconds, 0 off)
    bool KeepAlive = false;
    THeaderInfo HeaderInfo;
    std::optional<THttpOrigin> CredentialsOrigin;
    std::shared_ptr<TCookieJar> CookieJar;  // shared, not copied
    std::shared_ptr<TRateLimiter> RateLimiter;  // the batch's speed cap, shared; null none
    static THttpRequestSettings Of(const THttpClient &client);  // copies those fields
    void ApplyTo(THttpClient &client) const;
};

// Where a transfer resumes a file it has a part of: From bytes are in the
// file, Validator is what ResumeValidatorOf found in the answer that gave
// them (THttpClient::ResumeFrom and ResumeValidator), Total the complete
// length they gave (THttpClient::ResumeTotal; -1 unknown). From <= 0: no
// resume.
struct TResumePoint {
    qint64 From = -1;
    QByteArray Validator;
    qint64 Total = -1;
};

// How one GET ended, as the file client's fields show it afterwards: the
// answer as values (status code and text, header block, the address it
// ended at, bytes) and what went wrong as a code with its texts.
struct TTransferResult {
    QByteArray Url;             // the address the transfer ended at (after redirects)
    QByteArray File;            // the file the body went to
    int ReplyNumber = 0;        // the status code; 0 without a valid status line
    QByteArray StatusText;      // "404 Not Found": the status line after its version
    QByteArray Header;          // the response header block (OutputFileMode false)
    qint64 ContentLength = -1;
    qint64 BytesRecvd = 0;
    bool Resumed = false;       // the body went to the end of the existing part
    qint64 CompleteLength = -1; // a resumed answer's complete length; -1 unknown
    bool TimedOut = false;
    int LastError = 0;
    std::exception_ptr Error;   // what Get raised; null when it returned normally
    TTransferFault Fault = TTransferFault::None;  // Error as a code
    TTransferFaultInfo FaultInfo;                 // the code with its texts
    const QString &FaultText(bool english) const { return FaultInfo.Text(english); }
    // The value of the answer's first header line of that name (any case);
    // null when it has none.
    QByteArray HeaderValue(const char *name) const;
    // The validator a later transfer can continue the body with
    // (ResumeValidatorOf of the header block); empty when none.
    QByteArray ResumeValidator() const;

    // The client's fields after its Get, with what it raised.
    static TTransferResult Of(const THttpClient &client, std::exception_ptr error);
};

// The parts on the worker's thread (http_worker.cpp).
struct THttpWorkerShared;
class THttpWorkerRunner;
class THttpWorkerThread;

class THttpWorker : public QObject {
    Q_OBJECT
public:
    // Starts its thread without waiting for it; the client is created on
    // that thread at its first use.
    explicit THttpWorker(QObject *owner = nullptr);
    // Cancels what runs, ends the thread and waits for it. OnFinished is
    // never called from here on, not even for a result already on its way.
    ~THttpWorker() override;
    THttpWorker(const THttpWorker &) = delete;
    THttpWorker &operator=(const THttpWorker &) = delete;

    // Starts a GET of url whose body goes into file (created as a new file,
    // as the window's file client does: InputFileMode true, CreateNewFiles
    // true, OutputFileMode false, Port 0, ReportLevel 0). Busy() from this
    // call until OnFinished runs (Busy() is already false inside OnFinished,
    // so OnFinished may Start the next file). Called only while not Busy.
    // With resume.From > 0 the file holds a part already, and the request
    // continues it (THttpClient::ResumeFrom); the result says whether it did.
    void Start(const QByteArray &url, const QByteArray &file, const THttpRequestSettings &settings,
               const TResumePoint &resume = {});
    // Opens the connection a transfer of url would use (for https through
    // the handshake) and keeps it for the next Start there, with
    // settings.KeepAlive on; without it, or while busy, does nothing. Reports nothing and
    // leaves the worker idle: a Start that comes while it opens waits for
    // it and then takes the connection; a failure is forgotten (the Start
    // connects afresh). Cancel ends an open as it ends a transfer.
    void Open(const QByteArray &url, const THttpRequestSettings &settings);
    // Ends the running request (it finishes with the client's cancel error
    // in Error) and closes any kept connection. Safe to call from the
    // owner's thread at any time, busy or not, repeatedly. A Cancel never
    // reaches a later Start. A Cancel that comes after the request's last
    // wait finds it done: the result then tells how it really ended.
    void Cancel();
    bool Busy() const;
    // Body bytes received so far by the running request (atomic; for progress).
    qint64 BytesReceived() const;
    // The running request's status code once its header came; 0 before.
    int ReplyNumber() const;
    // Runs on the owner's thread (queued) with the outcome of each Start.
    std::function<void(THttpWorker *, TTransferResult)> OnFinished;

private Q_SLOTS:
    // Queued from the worker's thread: takes the next result and delivers it.
    void TakeResult();

private:
    // Shared with the worker's thread: the job and the results go through it
    // under a lock, so the queued calls carry no data (and ThreadSanitizer,
    // which cannot see inside Qt's event queue, sees every hand-over).
    std::shared_ptr<THttpWorkerShared> shared_;
    THttpWorkerThread *thread_ = nullptr;
    THttpWorkerRunner *runner_ = nullptr;  // lives on the worker's thread until it ends
    // Owner's thread only.
    void Post(const char *slot);  // a queued call of the runner's slot
    bool busy_ = false;
    bool destroying_ = false;
    bool threadRunning_ = false;
};
