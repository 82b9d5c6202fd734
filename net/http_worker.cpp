// THttpWorker: a QThread running its own event loop, a runner object living
// in it that owns the THttpClient, and queued calls both ways: Start and
// Cancel onto the runner, the result back onto the worker object.
#include "net/http_worker.h"

#include "base/errors.h"
#include "net/range_request.h"
#include "net/response_header.h"
#include "net/socket_errors.h"

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

TTransferResult TTransferResult::Of(const THttpClient &client, std::exception_ptr error)
{
    TTransferResult result;
    result.Url = client.URL;
    result.File = client.Body;
    result.ReplyNumber = client.ReplyNumber;
    result.Header = client.Header;
    result.ContentLength = client.ContentLength;
    result.BytesRecvd = client.BytesRecvd;
    result.Resumed = client.Resumed;
    result.CompleteLength = client.CompleteLength;
    result.TimedOut = client.TimedOut;
    result.LastError = client.LastError;
    result.StatusText = StatusLineText(client.Header);
    result.FaultInfo = ClassifyTransferFault(error, client.TimedOut, client.LastError, client.LowSpeedTime);
    result.Fault = result.FaultInfo.fault;
    result.Error = std::move(error);
    return result;
}

QByteArray TTransferResult::HeaderValue(const char *name) const
{
    for (QByteArray line : Header.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        QByteArray value = HeaderValueOf(line, name);
        if (!value.isNull())
            return value;
    }
    return {};
}

QByteArray TTransferResult::ResumeValidator() const
{
    return ResumeValidatorOf(Header);
}

THttpRequestSettings THttpRequestSettings::Of(const THttpClient &client)
{
    THttpRequestSettings settings;
    settings.Proxy = client.Proxy;
    settings.ProxyPort = client.ProxyPort;
    settings.TimeOut = client.TimeOut;
    settings.LowSpeedTime = client.LowSpeedTime;
    settings.KeepAlive = client.KeepAlive;
    settings.HeaderInfo = client.HeaderInfo;
    settings.CredentialsOrigin = client.CredentialsOrigin;
    settings.CookieJar = client.CookieJar;
    settings.RateLimiter = client.RateLimiter;
    return settings;
}

void THttpRequestSettings::ApplyTo(THttpClient &client) const
{
    client.Proxy = Proxy;
    client.ProxyPort = ProxyPort;
    client.TimeOut = TimeOut;
    client.LowSpeedTime = LowSpeedTime;
    client.KeepAlive = KeepAlive;
    client.HeaderInfo = HeaderInfo;
    client.CredentialsOrigin = CredentialsOrigin;
    client.CookieJar = CookieJar;
    client.RateLimiter = RateLimiter;
}

// What passes between the two threads, always under lock.
//
// A cancel is recorded here before its queued call is posted, and a job
// looks for one when it starts. That matters: with the glib event loop a
// posted call queued before the one that starts a job is not delivered
// inside that job's nested waits (the waits only see calls posted after
// the batch began), so a Cancel right after Start would otherwise wait
// until the whole transfer had ended. The job numbers tell a Cancel meant
// for the running job from one made before it started (which must not
// reach it).
struct THttpWorkerShared {
    struct TJob {
        QByteArray Url, File;
        THttpRequestSettings Settings;
        TResumePoint Resume;
        quint64 Number = 0;
        bool OpenOnly = false;             // Open: the connection, no request
    };
    std::mutex Lock;
    std::optional<TJob> Job;               // owner -> worker; a Start replaces an Open not yet taken
    quint64 Started = 0;                   // the number of the last job started
    bool CancelPending = false;            // a Cancel not yet taken by the worker
    quint64 CancelUpTo = 0;                // it ends the jobs up to this number
    std::deque<TTransferResult> Results;   // worker -> owner
    std::atomic<qint64> BytesReceived{0};  // for progress, without lock
    std::atomic<int> ReplyNumber{0};       // the running answer's status, once its header came

    // The pending cancel, taken, unless it is meant for a job later than
    // lastJob (one the worker has not started yet: that job's start takes
    // it); false when none is taken.
    bool TakeCancel(quint64 lastJob, quint64 &upTo)
    {
        const std::lock_guard hold(Lock);
        if (!CancelPending || CancelUpTo > lastJob)
            return false;
        CancelPending = false;
        upTo = CancelUpTo;
        return true;
    }
};

// Made on the owner's thread and moved to the worker's before it starts;
// from then on it lives there and is used only there. Its slots are
// invoked queued (by name, carrying nothing) from the owner's thread. The
// client is made at its first use, on the worker's thread, so that its
// socket notifiers and timers belong to that thread.
class THttpWorkerRunner : public QObject {
    Q_OBJECT
public:
    THttpWorkerRunner(THttpWorker *worker, std::shared_ptr<THttpWorkerShared> shared)
        : worker_(worker), shared_(std::move(shared))
    {
    }

public Q_SLOTS:
    // A job posted while another runs (a Start while an Open waits, which
    // the nested wait delivers here) stays in the mailbox until it ends.
    void Run()
    {
        if (running_)
            return;
        std::optional<THttpWorkerShared::TJob> job;
        while (!shuttingDown_ && TakeJob(job))
            RunJob(*job);
    }

    // Runs nested in the running Get's wait when a request runs.
    void Cancel()
    {
        quint64 upTo = 0;
        // None: taken already, or meant for a job still to start (whose
        // start takes it).
        if (!shared_->TakeCancel(lastJob_, upTo))
            return;
        if (running_ && upTo < runningNumber_)
            return;  // made before the running job started: not for it
        if (running_)
            cancelRequested_ = true;
        Close();
    }

    void Shutdown()
    {
        quint64 upTo = 0;
        shared_->TakeCancel(UINT64_MAX, upTo);
        shuttingDown_ = true;
        if (running_)
            cancelRequested_ = true;
        Close();
        QThread::currentThread()->quit();
    }

private:
    bool TakeJob(std::optional<THttpWorkerShared::TJob> &job)
    {
        const std::lock_guard hold(shared_->Lock);
        job.reset();
        job.swap(shared_->Job);
        return job.has_value();
    }

    void RunJob(const THttpWorkerShared::TJob &job)
    {
        lastJob_ = job.Number;
        cancelRequested_ = false;
        quint64 upTo = 0;
        if (shared_->TakeCancel(lastJob_, upTo)) {
            if (upTo >= job.Number)
                cancelRequested_ = true;  // made after this Start: ends it at once
            else
                Close();  // made between requests: closes the kept connection only
        }
        if (job.OpenOnly)
            OpenConnection(job);
        else
            Run(job);
    }

    void OpenConnection(const THttpWorkerShared::TJob &job)
    {
        THttpClient &c = Client();
        running_ = true;
        runningNumber_ = job.Number;
        try {
            if (cancelRequested_)
                throw EAbortError(kConnectionCanceled);
            job.Settings.ApplyTo(c);
            c.Port = 0;
            c.Canceled = false;
            c.TimedOut = false;
            c.OpenKept(job.Url);
        } catch (...) {
            Close();  // the Start that follows connects afresh
        }
        running_ = false;
    }

    void Run(const THttpWorkerShared::TJob &job)
    {
        const QByteArray &url = job.Url;
        const THttpRequestSettings &settings = job.Settings;
        THttpClient &c = Client();
        TTransferResult result;
        running_ = true;
        runningNumber_ = job.Number;
        try {
            // Keep-alive turned off with a connection still kept: a pass
            // without keep-alive connects afresh and must find it closed.
            if (!settings.KeepAlive && c.Connected)
                c.Disconnect();
            c.InputFileMode = true;
            c.CreateNewFiles = true;
            c.OutputFileMode = false;
            c.Port = 0;
            c.ReportLevel = 0;
            settings.ApplyTo(c);
            c.Body = job.File;
            c.URL = url;
            c.Header.clear();
            c.ContentLength = -1;
            c.BytesRecvd = 0;
            c.ReplyNumber = 0;
            c.LastError = 0;
            c.Resumed = false;
            c.CompleteLength = -1;
            c.ResumeFrom = job.Resume.From;
            c.ResumeValidator = job.Resume.Validator;
            c.ResumeTotal = job.Resume.Total;
            // A Cancel between requests left these set: it was not meant
            // for this request.
            c.Canceled = false;
            c.TimedOut = false;
            if (cancelRequested_)
                throw EAbortError(kConnectionCanceled);
            c.Get(url);
        } catch (...) {
            result.Error = std::current_exception();
        }
        running_ = false;
        result = TTransferResult::Of(c, result.Error);
        shared_->BytesReceived.store(c.BytesRecvd, std::memory_order_relaxed);
        // A connection is never reused after an error.
        if (result.Error)
            Close();
        {
            const std::lock_guard hold(shared_->Lock);
            shared_->Results.push_back(std::move(result));
        }
        QMetaObject::invokeMethod(worker_, "TakeResult", Qt::QueuedConnection);
    }

    // As the window's Stop does with its client. Never throws (it runs from
    // the event loop).
    void Close()
    {
        if (!client_)
            return;  // nothing was ever opened
        client_->Abort();
        try {
            client_->Disconnect();
        } catch (...) {
        }
    }

    THttpClient &Client()
    {
        if (client_)
            return *client_;
        client_ = new THttpClient(this);
        client_->OnPacketRecvd = [this](TSocketConnection *c) {
            shared_->BytesReceived.store(c->BytesRecvd, std::memory_order_relaxed);
            shared_->ReplyNumber.store(client_->ReplyNumber, std::memory_order_relaxed);
        };
        // Before each pass: a cancel that came after the last wait of a
        // redirect's pass must not be forgotten by the next pass's connect
        // (which clears the client's Canceled flag).
        client_->OnAboutToSend = [this](TSocketConnection *) {
            if (cancelRequested_)
                throw EAbortError(kConnectionCanceled);
        };
        return *client_;
    }

    THttpWorker *const worker_;
    const std::shared_ptr<THttpWorkerShared> shared_;
    THttpClient *client_ = nullptr;  // a child, made at its first use: destroyed with the runner, on this thread
    bool running_ = false;
    quint64 runningNumber_ = 0;
    quint64 lastJob_ = 0;  // the number of the last job taken
    bool cancelRequested_ = false;
    bool shuttingDown_ = false;  // no further job
};

// The thread: runs its event loop for the runner moved onto it, and
// destroys the runner (and so the client) there when the loop ends.
class THttpWorkerThread : public QThread {
public:
    explicit THttpWorkerThread(THttpWorkerRunner *runner) : runner_(runner) {}

    // Waits until the thread runs (its event dispatcher made): a moment,
    // not the runner's client, which is made at its first use.
    void WaitUntilRunning()
    {
        std::unique_lock hold(lock_);
        running_.wait(hold, [this] { return started_; });
    }

protected:
    void run() override
    {
        // Taken now: once the loop has ended the owner may delete this
        // object (its wait for the thread is an order ThreadSanitizer cannot
        // see), so nothing of it is read after the loop.
        THttpWorkerRunner *const runner = runner_;
        {
            // Notified under the lock: the owner may destroy running_ once
            // it has seen started_ and this thread has ended.
            const std::lock_guard hold(lock_);
            started_ = true;
            running_.notify_all();
        }
        exec();
        delete runner;
    }

private:
    THttpWorkerRunner *const runner_;
    std::mutex lock_;
    std::condition_variable running_;
    bool started_ = false;  // under lock_
};

THttpWorker::THttpWorker(QObject *owner) : QObject(owner), shared_(std::make_shared<THttpWorkerShared>())
{
    // Nothing here waits for the thread, and its first call only until the
    // thread runs (Post), not for a client: so a batch can make its workers
    // while a page loads without holding the page back.
    runner_ = new THttpWorkerRunner(this, shared_);
    thread_ = new THttpWorkerThread(runner_);
    thread_->setObjectName(QStringLiteral("THttpWorker"));
    runner_->moveToThread(thread_);
    thread_->start();
}

THttpWorker::~THttpWorker()
{
    destroying_ = true;
    OnFinished = nullptr;
    {
        const std::lock_guard hold(shared_->Lock);
        shared_->CancelPending = true;
        shared_->CancelUpTo = UINT64_MAX;
    }
    // Delivered inside a running Get's wait, or at once when idle: the Get
    // ends with its cancel error, and the loop ends when control is back.
    Post("Shutdown");
    thread_->wait();
    delete thread_;
    // A result the thread sent meanwhile is still posted to this object:
    // ~QObject removes that call unseen.
}

void THttpWorker::Start(const QByteArray &url, const QByteArray &file, const THttpRequestSettings &settings,
                        const TResumePoint &resume)
{
    Q_ASSERT(!busy_);
    busy_ = true;
    shared_->BytesReceived.store(0, std::memory_order_relaxed);
    shared_->ReplyNumber.store(0, std::memory_order_relaxed);
    {
        const std::lock_guard hold(shared_->Lock);
        shared_->Job = THttpWorkerShared::TJob{url, file, settings, resume, ++shared_->Started};
    }
    Post("Run");
}

void THttpWorker::Open(const QByteArray &url, const THttpRequestSettings &settings)
{
    if (!settings.KeepAlive || busy_)
        return;
    {
        const std::lock_guard hold(shared_->Lock);
        if (shared_->Job)
            return;  // a Start waits: it connects anyway
        THttpWorkerShared::TJob job{url, {}, settings, {}, ++shared_->Started};
        job.OpenOnly = true;
        shared_->Job = std::move(job);
    }
    Post("Run");
}

void THttpWorker::Cancel()
{
    {
        const std::lock_guard hold(shared_->Lock);
        shared_->CancelPending = true;
        shared_->CancelUpTo = shared_->Started;
    }
    Post("Cancel");
}

// The first call waits until the thread runs: what the thread made to be
// woken with is then there, and every later call finds it ordered before
// (ThreadSanitizer sees that order through the lock, not through Qt's
// queue, which it cannot see into).
void THttpWorker::Post(const char *slot)
{
    if (!threadRunning_) {
        thread_->WaitUntilRunning();
        threadRunning_ = true;
    }
    QMetaObject::invokeMethod(runner_, slot, Qt::QueuedConnection);
}

bool THttpWorker::Busy() const
{
    return busy_;
}

qint64 THttpWorker::BytesReceived() const
{
    return shared_->BytesReceived.load(std::memory_order_relaxed);
}

int THttpWorker::ReplyNumber() const
{
    return shared_->ReplyNumber.load(std::memory_order_relaxed);
}

void THttpWorker::TakeResult()
{
    std::optional<TTransferResult> result;
    {
        const std::lock_guard hold(shared_->Lock);
        if (shared_->Results.empty())
            return;
        result = std::move(shared_->Results.front());
        shared_->Results.pop_front();
    }
    if (destroying_)
        return;
    busy_ = false;
    // A copy: the handler may replace OnFinished or delete this worker.
    const auto handler = OnFinished;
    if (handler)
        handler(this, std::move(*result));
}

#include "http_worker.moc"
