// TH2WorkerRunner: the streams. After every step (a notifier, a job, a
// cancel, the silence tick) Advance delivers the jobs that ended, settles
// an opening whose SETTINGS came, lets go of the connections that have
// nothing more to give, and starts the waiting jobs on the current
// connection (or asks for a new one).
#include "net/h2_worker_runner.h"

#include "net/h2_request.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>

void TH2WorkerRunner::Advance()
{
    if (advancing_) {
        advanceAgain_ = true;
        return;
    }
    advancing_ = true;
    do {
        advanceAgain_ = false;
        DeliverEnded();
        CheckSettled();
        RetireFinished();
        StartWaiting();
    } while ((advanceAgain_ || !ended_.empty()) && !shuttingDown_);
    advancing_ = false;
    UpdateTick();
}

void TH2WorkerRunner::DeliverEnded()
{
    for (const int slot : std::exchange(ended_, {})) {
        const auto it = jobs_.find(slot);
        if (it == jobs_.end() || !it->second.Job->Ended())
            continue;
        TTransferResult result = it->second.Job->TakeResult();
        jobs_.erase(it);
        {
            const std::lock_guard hold(shared_->Lock);
            shared_->Reports.push_back({slot, std::move(result), {}});
        }
        QMetaObject::invokeMethod(worker_, "TakeResults", Qt::QueuedConnection);
    }
}

void TH2WorkerRunner::Settle(TH2Worker::State state)
{
    if (state != TH2Worker::State::Streams)
        shared_->StreamLimit.store(0);
    {
        const std::lock_guard hold(shared_->Lock);
        shared_->SetState(state);
        shared_->Reports.push_back({-1, {}, state});
    }
    QMetaObject::invokeMethod(worker_, "TakeResults", Qt::QueuedConnection);
}

// The server's first SETTINGS give the number of streams; a connection
// that fails before them settles NoStreams.
void TH2WorkerRunner::CheckSettled()
{
    if (!settling_)
        return;
    const TH2Session &session = settling_->Session();
    if (session.SettingsReceived()) {
        const int limit = std::min<int>(static_cast<int>(session.StreamLimit()), TH2Worker::kMostStreams);
        settling_ = nullptr;
        settleTimer_->stop();
        shared_->StreamLimit.store(limit);
        Settle(limit > 0 ? TH2Worker::State::Streams : TH2Worker::State::NoStreams);
    } else if (settling_->Finished()) {
        settling_ = nullptr;
        settleTimer_->stop();
        Settle(TH2Worker::State::NoStreams);
    }
}

// No SETTINGS within the time-out: not a server to stream from.
void TH2WorkerRunner::SettleTimedOut()
{
    if (!settling_)
        return;
    TH2Connection *connection = std::exchange(settling_, nullptr);
    for (auto &[slot, slotJob] : jobs_)
        if (slotJob.Connection == connection)
            slotJob.Job->ResetMeaning = TH2StreamJob::TResetMeaning::ConnectionLost;
    Retire(connection);
    Settle(TH2Worker::State::NoStreams);
    EndWaiting(nullptr);
    Advance();
}

void TH2WorkerRunner::RetireFinished()
{
    for (size_t i = 0; i < connections_.size();) {
        TH2Connection *connection = connections_[i].get();
        if (connection->Finished() && connection != settling_)
            Retire(connection);
        else
            ++i;
    }
}

// Its streams end (Canceled, read by each job's ResetMeaning), GOAWAY goes
// out, and it waits in the graveyard: it may be in its own notifier's call.
void TH2WorkerRunner::Retire(TH2Connection *connection)
{
    if (settling_ == connection)
        settling_ = nullptr;
    const auto it = std::find_if(connections_.begin(), connections_.end(),
                                 [connection](const auto &held) { return held.get() == connection; });
    if (it == connections_.end())
        return;
    std::unique_ptr<TH2Connection> held = std::move(*it);
    connections_.erase(it);
    held->GoAway();
    for (auto &[slot, slotJob] : jobs_) {
        if (slotJob.Connection == connection && !slotJob.Job->Ended())
            slotJob.Job->EndCanceled();  // the session had died without it
        if (slotJob.Connection == connection)
            slotJob.Connection = nullptr;
    }
    graveyard_.push_back(std::move(held));
}

// In the order the jobs were started. Without a usable connection the next
// Run opens one (never from here: this may run in a notifier's call).
void TH2WorkerRunner::StartWaiting()
{
    std::vector<TSlotJob *> waiting;
    for (auto &[slot, slotJob] : jobs_)
        if (!slotJob.Connection && !slotJob.Job->Ended())
            waiting.push_back(&slotJob);
    if (waiting.empty())
        return;
    std::sort(waiting.begin(), waiting.end(),
              [](const TSlotJob *a, const TSlotJob *b) { return a->Job->Number < b->Job->Number; });
    TH2Connection *submitted = nullptr;
    for (TSlotJob *slotJob : waiting) {
        TH2Connection *connection = Current();
        if (!connection) {
            if (!opening_)
                QMetaObject::invokeMethod(this, "Run", Qt::QueuedConnection);
            break;
        }
        Submit(*slotJob, *connection);
        submitted = connection;
    }
    if (submitted)
        submitted->Flush();  // the new streams' HEADERS together
}

void TH2WorkerRunner::Submit(TSlotJob &slotJob, TH2Connection &connection)
{
    TH2StreamJob &job = *slotJob.Job;
    try {
        slotJob.Settings.ApplyTo(*lines_);
        const THeaderLines lines = lines_->RequestLines(slotJob.Url);
        job.SetTarget(lines_->Host, lines_->Path);
        job.Stream = connection.Session().Submit(H2RequestFields(lines, true), job);
    } catch (...) {
        job.EndUnstarted(std::current_exception());
        return;
    }
    slotJob.Connection = &connection;
    job.RestartSilence();
}

void TH2WorkerRunner::UpdateTick()
{
    qint32 shortest = 0;
    for (const auto &[slot, slotJob] : jobs_)
        if (slotJob.Connection && slotJob.Job->TimeOut > 0)
            shortest = shortest == 0 ? slotJob.Job->TimeOut : std::min(shortest, slotJob.Job->TimeOut);
    if (shortest == 0) {
        tick_->stop();
        return;
    }
    const int interval = std::clamp(shortest / 5, 10, 1000);
    if (!tick_->isActive() || tick_->interval() != interval)
        tick_->start(interval);
}

// A stream silent past its time-out is reset and ends TimedOut; when its
// connection gave nothing for as long, the connection goes with all its
// streams (those silent as long end TimedOut, the others BrokenOff).
void TH2WorkerRunner::Tick()
{
    for (auto &[slot, slotJob] : jobs_) {
        TH2StreamJob &job = *slotJob.Job;
        if (!slotJob.Connection || job.Ended() || job.TimeOut <= 0 || job.SilentMs() < job.TimeOut)
            continue;
        TH2Connection *connection = slotJob.Connection;
        if (connection->SilentMs() < job.TimeOut) {
            Cancel(slotJob, TH2StreamJob::TResetMeaning::TimedOut);
            continue;
        }
        for (auto &[other, otherJob] : jobs_) {
            if (otherJob.Connection != connection)
                continue;
            const TH2StreamJob &silent = *otherJob.Job;
            otherJob.Job->ResetMeaning = silent.TimeOut > 0 && silent.SilentMs() >= silent.TimeOut
                                             ? TH2StreamJob::TResetMeaning::TimedOut
                                             : TH2StreamJob::TResetMeaning::ConnectionLost;
        }
        Retire(connection);
    }
    Advance();
}
