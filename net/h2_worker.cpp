// TH2Worker: a QThread running its own event loop, a runner object living
// there that owns the opener (a THttpClient), the HTTP/2 connections and
// the stream jobs, and queued calls both ways carrying nothing: the owner
// puts jobs, cancels, a close or an open into the mailbox under its lock
// and pokes the runner; the runner puts results and settled states there
// and pokes the owner.
#include "net/h2_worker.h"

#include "net/h2_worker_runner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <condition_variable>

// The thread: makes the runner on itself, runs its event loop, and destroys
// the runner there when the loop ends.
class TH2WorkerThread : public QThread {
public:
    TH2WorkerThread(TH2Worker *worker, std::shared_ptr<TH2WorkerShared> shared)
        : worker_(worker), shared_(std::move(shared))
    {
    }

    TH2WorkerRunner *WaitForRunner()
    {
        std::unique_lock hold(lock_);
        ready_.wait(hold, [this] { return runner_ != nullptr; });
        return runner_;
    }

protected:
    void run() override
    {
        TH2WorkerRunner runner(worker_, shared_);
        {
            const std::lock_guard hold(lock_);
            runner_ = &runner;
            ready_.notify_all();
        }
        exec();
    }

private:
    TH2Worker *const worker_;
    const std::shared_ptr<TH2WorkerShared> shared_;
    std::mutex lock_;
    std::condition_variable ready_;
    TH2WorkerRunner *runner_ = nullptr;  // under lock_
};

TH2Worker::TH2Worker(QObject *owner)
    : QObject(owner), shared_(std::make_shared<TH2WorkerShared>()), busy_(kMostStreams, false)
{
    thread_ = new TH2WorkerThread(this, shared_);
    thread_->setObjectName(QStringLiteral("TH2Worker"));
    thread_->start();
    runner_ = thread_->WaitForRunner();
}

TH2Worker::~TH2Worker()
{
    destroying_ = true;
    OnFinished = nullptr;
    OnSettled = nullptr;
    shared_->ShuttingDown.store(true);
    // Delivered at once when idle, or inside an opening's wait: the opening
    // is broken off, every stream reset, GOAWAY said, and the loop ends.
    QMetaObject::invokeMethod(runner_, "Shutdown", Qt::QueuedConnection);
    thread_->wait();
    delete thread_;
    // Results posted meanwhile: ~QObject removes their calls unseen.
}

void TH2Worker::Open(const QByteArray &url, const THttpRequestSettings &settings)
{
    const THttpOrigin origin = THttpClient::OriginOf(url);
    {
        const std::lock_guard hold(shared_->Lock);
        shared_->OpenAsked = TH2WorkerShared::TOpen{url, settings};
        const bool sameOrigin = origin.Secure == shared_->Origin.Secure && origin.Port == shared_->Origin.Port
                                && origin.Host.compare(shared_->Origin.Host, Qt::CaseInsensitive) == 0;
        shared_->Origin = origin;
        // Streams to this origin stay; anything else settles anew. Under
        // the lock: the runner settles under it too, never before this.
        if (!sameOrigin || CurrentState() != State::Streams)
            shared_->SetState(State::Opening);
    }
    QMetaObject::invokeMethod(runner_, "Run", Qt::QueuedConnection);
}

TH2Worker::State TH2Worker::CurrentState() const
{
    return static_cast<State>(shared_->State.load());
}

TH2Worker::State TH2Worker::WaitUntilSettled(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (CurrentState() == State::Opening && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return CurrentState();
}

int TH2Worker::StreamLimit() const
{
    return CurrentState() == State::Streams ? shared_->StreamLimit.load() : 0;
}

bool TH2Worker::IsOrigin(const QByteArray &address) const
{
    const THttpOrigin origin = THttpClient::OriginOf(address);
    const std::lock_guard hold(shared_->Lock);
    return !origin.Host.isEmpty() && origin.Secure == shared_->Origin.Secure && origin.Port == shared_->Origin.Port
           && origin.Host.compare(shared_->Origin.Host, Qt::CaseInsensitive) == 0;
}

void TH2Worker::Start(int slot, const QByteArray &url, const QByteArray &file, const THttpRequestSettings &settings)
{
    Q_ASSERT(slot >= 0 && slot < kMostStreams && !busy_[static_cast<size_t>(slot)]);
    busy_[static_cast<size_t>(slot)] = true;
    shared_->Counters[static_cast<size_t>(slot)].Clear();
    {
        const std::lock_guard hold(shared_->Lock);
        const quint64 number = ++shared_->Started;
        shared_->LastJob[static_cast<size_t>(slot)] = number;
        shared_->Jobs.push_back({slot, url, file, settings, number});
        if (shared_->Origin.Host.isEmpty())
            shared_->Origin = THttpClient::OriginOf(url);
    }
    QMetaObject::invokeMethod(runner_, "Run", Qt::QueuedConnection);
}

void TH2Worker::Cancel(int slot)
{
    if (slot < 0 || slot >= kMostStreams)
        return;
    {
        const std::lock_guard hold(shared_->Lock);
        shared_->Cancels[slot] = shared_->LastJob[static_cast<size_t>(slot)];
    }
    QMetaObject::invokeMethod(runner_, "Run", Qt::QueuedConnection);
}

void TH2Worker::Close()
{
    {
        const std::lock_guard hold(shared_->Lock);
        shared_->ClosePending = true;
        shared_->CloseUpTo = shared_->Started;
        shared_->OpenAsked.reset();
        shared_->SetState(State::Idle);
    }
    QMetaObject::invokeMethod(runner_, "Run", Qt::QueuedConnection);
}

static bool InRange(int slot)
{
    return slot >= 0 && slot < TH2Worker::kMostStreams;
}

bool TH2Worker::Busy(int slot) const
{
    return InRange(slot) && busy_[static_cast<size_t>(slot)];
}

qint64 TH2Worker::BytesReceived(int slot) const
{
    return InRange(slot) ? shared_->Counters[static_cast<size_t>(slot)].BytesReceived.load(std::memory_order_relaxed) : 0;
}

int TH2Worker::ReplyNumber(int slot) const
{
    return InRange(slot) ? shared_->Counters[static_cast<size_t>(slot)].ReplyNumber.load(std::memory_order_relaxed) : 0;
}

qint64 TH2Worker::BytesExpected(int slot) const
{
    return InRange(slot) ? shared_->Counters[static_cast<size_t>(slot)].BytesExpected.load(std::memory_order_relaxed)
                         : -1;
}

// One report per call (one call was posted per report): the handler may
// Start the slot again, or delete this worker.
void TH2Worker::TakeResults()
{
    std::optional<TH2WorkerShared::TReport> report;
    {
        const std::lock_guard hold(shared_->Lock);
        if (shared_->Reports.empty())
            return;
        report = std::move(shared_->Reports.front());
        shared_->Reports.pop_front();
    }
    if (destroying_)
        return;
    if (report->Slot < 0) {
        const auto handler = OnSettled;
        if (handler)
            handler(report->Settled);
        return;
    }
    busy_[static_cast<size_t>(report->Slot)] = false;
    const auto handler = OnFinished;
    if (handler)
        handler(report->Slot, std::move(report->Result));
}
