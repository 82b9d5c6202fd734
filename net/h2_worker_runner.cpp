// TH2WorkerRunner: the mailbox, cancels, Close, Open and the opening of a
// connection (the streams are in h2_worker_streams.cpp).
#include "net/h2_worker_runner.h"

#include "base/errors.h"
#include "net/socket_errors.h"

#include <QThread>
#include <QTimer>
#include <utility>

namespace {

bool SameOrigin(const THttpOrigin &a, const THttpOrigin &b)
{
    return a.Secure == b.Secure && a.Port == b.Port && a.Host.compare(b.Host, Qt::CaseInsensitive) == 0
           && !a.Host.isEmpty();
}

}  // namespace

TH2WorkerRunner::TH2WorkerRunner(TH2Worker *worker, std::shared_ptr<TH2WorkerShared> shared)
    : worker_(worker), shared_(std::move(shared)), opener_(new THttpClient(this)), lines_(new THttpClient(this)),
      tick_(new QTimer(this)), settleTimer_(new QTimer(this))
{
    connect(tick_, &QTimer::timeout, this, &TH2WorkerRunner::Tick);
    settleTimer_->setSingleShot(true);
    connect(settleTimer_, &QTimer::timeout, this, &TH2WorkerRunner::SettleTimedOut);
}

// The connections go first: their sessions call no sink when deleted.
TH2WorkerRunner::~TH2WorkerRunner()
{
    connections_.clear();
    graveyard_.clear();
}

// A call that comes while an opening pumps this thread's events only takes
// the cancels and a close; the rest waits until the opening is done.
void TH2WorkerRunner::Run()
{
    if (inRun_) {
        runAgain_ = true;
        if (opening_)
            Service();
        return;
    }
    inRun_ = true;
    do {
        runAgain_ = false;
        Service();
    } while (runAgain_ && !shuttingDown_);
    inRun_ = false;
}

void TH2WorkerRunner::Service()
{
    if (shuttingDown_)
        return;
    if (!opening_)
        graveyard_.clear();
    TH2Mail mail = TakeMail();
    TakeJobs(mail.Jobs);
    if (mail.CloseUpTo)
        CloseAll(*mail.CloseUpTo);
    TakeCancels(mail.Cancels);
    if (!opening_ && mail.Open)
        TakeOpen(*mail.Open);
    else if (mail.Open) {
        const std::lock_guard hold(shared_->Lock);
        if (!shared_->OpenAsked)
            shared_->OpenAsked = std::move(mail.Open);  // after the opening that runs
    }
    OpenForWaiting();
    Advance();
}

// Jobs that found no usable connection (none yet, or the last one had a
// GOAWAY or failed) get a new one, with the first one's address and
// settings; one opening at a time, the others wait for it.
void TH2WorkerRunner::OpenForWaiting()
{
    if (opening_ || Current())
        return;
    const TSlotJob *first = nullptr;
    for (const auto &[slot, slotJob] : jobs_)
        if (!slotJob.Connection && !slotJob.Job->Ended() && (!first || slotJob.Job->Number < first->Job->Number))
            first = &slotJob;
    if (!first)
        return;
    const QByteArray url = first->Url;
    const THttpRequestSettings settings = first->Settings;
    if (origin_.Host.isEmpty())
        origin_ = THttpClient::OriginOf(url);
    OpenConnection(url, settings);
}

TH2Mail TH2WorkerRunner::TakeMail()
{
    TH2Mail mail;
    const std::lock_guard hold(shared_->Lock);
    mail.Jobs.swap(shared_->Jobs);
    mail.Cancels.swap(shared_->Cancels);
    if (!opening_)
        mail.Open = std::exchange(shared_->OpenAsked, std::nullopt);
    if (std::exchange(shared_->ClosePending, false))
        mail.CloseUpTo = shared_->CloseUpTo;
    return mail;
}

void TH2WorkerRunner::TakeJobs(std::deque<TH2WorkerShared::TJob> &jobs)
{
    for (TH2WorkerShared::TJob &job : jobs) {
        const int slot = job.Slot;
        auto streamJob = std::make_unique<TH2StreamJob>(
            slot, job.Number, job.Url, job.File, job.Settings.TimeOut, job.Settings.CookieJar,
            shared_->Counters[static_cast<size_t>(slot)], [this](TH2StreamJob &ended) { ended_.push_back(ended.Slot); });
        jobs_[slot] = TSlotJob{std::move(streamJob), std::move(job.Settings), std::move(job.Url), nullptr};
    }
}

// A cancel ends the slot's job when it is the one meant (numbered up to
// the cancel); one meant for a job that ended already finds nothing.
void TH2WorkerRunner::TakeCancels(const std::map<int, quint64> &cancels)
{
    for (const auto &[slot, upTo] : cancels) {
        const auto it = jobs_.find(slot);
        if (it != jobs_.end() && it->second.Job->Number <= upTo)
            Cancel(it->second, TH2StreamJob::TResetMeaning::Canceled);
    }
}

void TH2WorkerRunner::Cancel(TSlotJob &slotJob, TH2StreamJob::TResetMeaning meaning)
{
    TH2StreamJob &job = *slotJob.Job;
    if (job.Ended())
        return;
    job.ResetMeaning = meaning;
    if (!slotJob.Connection) {
        job.EndCanceled();
        return;
    }
    slotJob.Connection->Session().Reset(job.Stream);
    slotJob.Connection->Flush();
    if (!job.Ended())
        job.EndCanceled();  // the session had died meanwhile without it
}

// Close: the jobs started before it end canceled, every connection says
// GOAWAY, and an opening under way is broken off.
void TH2WorkerRunner::CloseAll(quint64 upTo)
{
    ++closes_;
    for (auto &[slot, slotJob] : jobs_)
        if (slotJob.Job->Number <= upTo)
            Cancel(slotJob, TH2StreamJob::TResetMeaning::Canceled);
    while (!connections_.empty())
        Retire(connections_.back().get());
    if (opening_)
        opener_->Abort();
    settleTimer_->stop();
    origin_ = {};
    shared_->StreamLimit.store(0);
    // Idle, as the owner's Close set it (a settling may have come between),
    // unless a later Open has set it Opening by now.
    const std::lock_guard hold(shared_->Lock);
    if (!shared_->OpenAsked)
        shared_->SetState(TH2Worker::State::Idle);
}

TH2Connection *TH2WorkerRunner::Current() const
{
    if (connections_.empty() || !connections_.back()->Usable())
        return nullptr;
    return connections_.back().get();
}

void TH2WorkerRunner::TakeOpen(const TH2WorkerShared::TOpen &open)
{
    const THttpOrigin origin = THttpClient::OriginOf(open.Url);
    if (!SameOrigin(origin, origin_)) {
        for (auto &[slot, slotJob] : jobs_)
            Cancel(slotJob, TH2StreamJob::TResetMeaning::Canceled);
        while (!connections_.empty())
            Retire(connections_.back().get());
        settleTimer_->stop();
    }
    origin_ = origin;
    if (!origin.Secure || origin.Host.isEmpty()) {
        Settle(TH2Worker::State::NoStreams);
        return;
    }
    if (settling_)
        return;  // it settles when its SETTINGS come
    if (Current()) {
        Settle(TH2Worker::State::Streams);
        return;
    }
    shared_->SetState(TH2Worker::State::Opening);
    OpenConnection(open.Url, open.Settings);
}

void TH2WorkerRunner::Shutdown()
{
    shuttingDown_ = true;
    opener_->Abort();
    for (auto &connection : connections_)
        connection->GoAway();
    tick_->stop();
    settleTimer_->stop();
    QThread::currentThread()->quit();
}


// Connects, tunnels and handshakes with the opener (blocking, pumping this
// thread's events); the server's "h2" makes a connection whose SETTINGS
// settle the worker. Anything else settles NoStreams, and the jobs waiting
// for it end: with the opening's failure, or to be asked over HTTP/1.x.
void TH2WorkerRunner::OpenConnection(const QByteArray &url, const THttpRequestSettings &settings)
{
    const quint64 closes = closes_;
    std::exception_ptr failure;
    opening_ = true;
    std::unique_ptr<TTransport> chain = Handshake(url, settings, failure);
    opening_ = false;
    if (shuttingDown_)
        return;
    if (closes != closes_) {
        runAgain_ = true;  // closed meanwhile: a job started after the close opens afresh
        return;
    }
    if (!chain) {
        Settle(TH2Worker::State::NoStreams);
        EndWaiting(failure);
        return;
    }
    try {
        connections_.push_back(std::make_unique<TH2Connection>(std::move(chain), [this] { Advance(); }));
    } catch (...) {
        Settle(TH2Worker::State::NoStreams);
        EndWaiting(std::current_exception());
        return;
    }
    settling_ = connections_.back().get();
    if (settings.TimeOut > 0)
        settleTimer_->start(settings.TimeOut);
    settling_->Pump();  // the preface out, and what the handshake's last read left in the chain
}

std::unique_ptr<TTransport> TH2WorkerRunner::Handshake(const QByteArray &url, const THttpRequestSettings &settings,
                                                       std::exception_ptr &failure)
{
    THttpClient &c = *opener_;
    std::unique_ptr<TTransport> chain;
    try {
        if (shared_->ShuttingDown.load())
            throw EAbortError(kConnectionCanceled);
        settings.ApplyTo(c);
        c.KeepAlive = true;
        c.Port = 0;
        c.Canceled = false;
        c.TimedOut = false;
        c.AlpnProtocols = {"h2", "http/1.1"};
        c.OpenKept(url);
        if (c.Protocol() == "h2")
            chain = c.ReleaseChain();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        c.Disconnect();  // an HTTP/1.1 connection is not kept: the batch's own workers ask there
    } catch (...) {
    }
    return chain;
}

void TH2WorkerRunner::EndWaiting(const std::exception_ptr &failure)
{
    for (auto &[slot, slotJob] : jobs_) {
        if (slotJob.Connection || slotJob.Job->Ended())
            continue;
        if (failure)
            slotJob.Job->EndUnstarted(failure);
        else
            slotJob.Job->EndNotForStreams();
    }
}
