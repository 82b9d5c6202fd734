// The parts of a TH2Worker on its thread: the mailbox shared with the
// owner, and the runner that owns the opener, the HTTP/2 connections and
// the stream jobs (h2_worker_runner.cpp: the mailbox, cancels, close and
// opening; h2_worker_streams.cpp: the streams, their silence, the results).
// Private to net/h2_worker*.cpp.
#pragma once

#include "net/h2_connection.h"
#include "net/h2_stream_job.h"
#include "net/h2_worker.h"

#include <QObject>
#include <array>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

class QTimer;

// What passes between the two threads, always under Lock (the counters and
// the state are atomics, read without it).
struct TH2WorkerShared {
    struct TJob {
        int Slot = 0;
        QByteArray Url, File;
        THttpRequestSettings Settings;
        quint64 Number = 0;
    };
    struct TOpen {
        QByteArray Url;
        THttpRequestSettings Settings;
    };
    // One thing for the owner: a result, or a settled state.
    struct TReport {
        int Slot = -1;  // -1: Settled
        TTransferResult Result;
        TH2Worker::State Settled = TH2Worker::State::Idle;
    };

    std::mutex Lock;
    std::deque<TJob> Jobs;                 // owner -> worker
    std::optional<TOpen> OpenAsked;
    quint64 Started = 0;                   // the number of the last job started
    std::array<quint64, TH2Worker::kMostStreams> LastJob{};  // per slot
    std::map<int, quint64> Cancels;        // slot -> ends its jobs up to this number
    bool ClosePending = false;
    quint64 CloseUpTo = 0;                 // the close ends the jobs up to this number
    std::deque<TReport> Reports;           // worker -> owner
    THttpOrigin Origin;                    // the last Open's (or first Start's)

    std::atomic<int> State{static_cast<int>(TH2Worker::State::Idle)};
    std::atomic<int> StreamLimit{0};
    std::atomic<bool> ShuttingDown{false};
    std::array<TH2SlotCounters, TH2Worker::kMostStreams> Counters;

    void SetState(TH2Worker::State state) { State.store(static_cast<int>(state)); }
};

// What the runner took out of the mailbox in one go.
struct TH2Mail {
    std::deque<TH2WorkerShared::TJob> Jobs;
    std::optional<TH2WorkerShared::TOpen> Open;
    std::map<int, quint64> Cancels;
    std::optional<quint64> CloseUpTo;
};

// Lives on the worker's thread and is used only there.
class TH2WorkerRunner : public QObject {
    Q_OBJECT
public:
    TH2WorkerRunner(TH2Worker *worker, std::shared_ptr<TH2WorkerShared> shared);
    ~TH2WorkerRunner() override;
    TH2WorkerRunner(const TH2WorkerRunner &) = delete;
    TH2WorkerRunner &operator=(const TH2WorkerRunner &) = delete;

public Q_SLOTS:
    void Run();
    void Shutdown();

private:
    // One job taken from the mailbox: waiting for a connection (Connection
    // null), running on a stream, or ended and not yet delivered.
    struct TSlotJob {
        std::unique_ptr<TH2StreamJob> Job;
        THttpRequestSettings Settings;
        QByteArray Url;
        TH2Connection *Connection = nullptr;
    };

    void Service();
    TH2Mail TakeMail();
    void TakeJobs(std::deque<TH2WorkerShared::TJob> &jobs);
    void TakeCancels(const std::map<int, quint64> &cancels);
    void CloseAll(quint64 upTo);
    void TakeOpen(const TH2WorkerShared::TOpen &open);
    void OpenForWaiting();
    void OpenConnection(const QByteArray &url, const THttpRequestSettings &settings);
    std::unique_ptr<TTransport> Handshake(const QByteArray &url, const THttpRequestSettings &settings,
                                          std::exception_ptr &failure);
    void EndWaiting(const std::exception_ptr &failure);
    void Advance();
    void StartWaiting();
    void Submit(TSlotJob &slotJob, TH2Connection &connection);
    void CheckSettled();
    void SettleTimedOut();
    void RetireFinished();
    void Retire(TH2Connection *connection);
    void DeliverEnded();
    void Tick();
    void UpdateTick();
    void Cancel(TSlotJob &slotJob, TH2StreamJob::TResetMeaning meaning);
    void Settle(TH2Worker::State state);
    TH2Connection *Current() const;

    TH2Worker *const worker_;
    const std::shared_ptr<TH2WorkerShared> shared_;
    THttpClient *const opener_;  // children: destroyed with the runner, on this thread
    THttpClient *const lines_;   // builds the request lines (cookies, credentials ...)
    QTimer *const tick_;         // the streams' silence
    QTimer *const settleTimer_;  // the server's first SETTINGS
    std::map<int, TSlotJob> jobs_;  // by slot
    std::vector<int> ended_;        // slots whose job ended, to deliver
    std::vector<std::unique_ptr<TH2Connection>> connections_;  // the last one takes new streams
    std::vector<std::unique_ptr<TH2Connection>> graveyard_;    // retired: deleted outside their signals
    TH2Connection *settling_ = nullptr;  // opened, its SETTINGS not yet here
    THttpOrigin origin_;
    bool inRun_ = false;
    bool runAgain_ = false;
    bool opening_ = false;
    bool advancing_ = false;
    bool advanceAgain_ = false;
    quint64 closes_ = 0;  // counts the closes, so an opening knows it was closed
    bool shuttingDown_ = false;
};

