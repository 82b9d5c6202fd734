// The scheduler of TBatchRunner: the picked files go into the free
// transfer slots in list order (a retry first), and each transfer that
// ends goes through the file's steps on this thread.
#include "core/download/batch_runner.h"
#include "core/download/batch_walk.h"

#include "base/convert.h"
#include "base/errors.h"
#include "core/download/file_naming.h"
#include "core/download/part_file.h"
#include "core/download/polite_wait.h"
#include "core/download/saved_archive.h"
#include "core/download/transfer_slots.h"
#include "core/scan/address_helpers.h"
#include "core/shared_state.h"
#include "net/event_pump.h"
#include "net/h2_worker.h"
#include "net/http_client.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

namespace {
// Ended with a whole 2xx answer: nothing that calls for a retry.
bool EndedWhole(const TTransferResult &result)
{
    return result.Fault == TTransferFault::None && result.ReplyNumber >= 200 && result.ReplyNumber <= 299
           && (result.ContentLength < 0 || result.BytesRecvd >= result.ContentLength);
}

// The speed cap of a walk ("ratelimit", KiB/s); null when off.
std::shared_ptr<TRateLimiter> SpeedCapOf(qint32 kibPerSecond)
{
    if (kibPerSecond <= 0)
        return nullptr;
    return std::make_shared<TRateLimiter>(qint64(qMin(kibPerSecond, Settings::RateLimitMost)) * 1024);
}
}  // namespace

TBatchRunner::TBatchRunner(QObject *parent) : QObject(parent)
{
    pacerClock_.start();
}

TBatchRunner::~TBatchRunner() = default;

void TBatchRunner::SetClients(THttpClient *fileClient, THttpClient *pageClient)
{
    fileClient_ = fileClient;
    pageClient_ = pageClient;
}

QString TBatchRunner::Say(const char *slovene, const char *english) const
{
    return QString::fromUtf8(request_.english ? english : slovene);
}

TBatchEnd TBatchRunner::Run(const TBatchRequest &request)
{
    request_ = request;
    listEmptied_ = false;
    stopped_ = false;
    waitBroken_ = false;
    tally = {};
    OpenSavedArchive();
    const int slotCount = qBound(1, request.settings.parallel, int(Settings::ParallelMost));
    Walk walk;
    walk.addresses = request.addresses;
    bool folderRefused = false;
    try {
        // A folder that takes no file is refused before any request.
        if (!request.addresses.isEmpty())
            CheckTheFolder();
        MakeSlots(walk, slotCount, true);
        Schedule(walk);
    } catch (const ESaveFolderError &e) {
        folderRefused = true;
        EndForTheFolder(e.Message(), request.addresses.size());
    }
    TBatchEnd end{tally, BatchInterrupted || stopped_ || listEmptied_ || folderRefused || ShuttingDown, listEmptied_,
                  folderRefused};
    Q_EMIT Ended(end);
    return end;
}

QByteArray TBatchRunner::RunOne(const QByteArray &address, const QByteArray &name, int attempt,
                                const TBatchRequest &request)
{
    request_ = request;
    lastName_ = name;
    Walk walk;
    walk.noMore = true;
    walk.retries.push_back(TBatchFile{address, name, attempt, QString()});
    MakeSlots(walk, 1, false);
    Schedule(walk);
    return lastName_;
}

// HTTP/2 streams first, when the batch may use them (stream_slots.cpp).
// Then one slot: the file client, which takes the page's kept connection
// first when it leads there. Several, or any beside streams: worker
// threads, each with a connection of its own, so the page's and the file
// client's kept ones are closed first; a host then gets no more HTTP/1.x
// connections than there are such slots.
void TBatchRunner::MakeSlots(Walk &walk, int count, bool streams)
{
    slots_.clear();
    walk.jobs.clear();
    const int streamCount = streams && !slotSource_ ? MakeStreamSlots(walk) : 0;
    for (int slot = 0; slot < count; ++slot) {
        if (slotSource_) {
            slots_.push_back(slotSource_(slot, count));
        } else if (count == 1 && streamCount == 0) {
            if (fileClient_->KeepAlive && pageClient_)
                fileClient_->TakeKeptConnection(*pageClient_);
            slots_.push_back(std::make_unique<TClientSlot>(*fileClient_));
        } else {
            if (slot == 0 && fileClient_)
                CloseKeptConnections();
            slots_.push_back(std::make_unique<TWorkerSlot>(*WorkerFor(slot)));
        }
    }
    walk.jobs.resize(slots_.size());
    for (size_t slot = 0; slot < slots_.size(); ++slot) {
        slots_[slot]->OnFinished = [&walk, slot](TTransferResult result) {
            walk.finished.emplace_back(int(slot), std::move(result));
        };
        if (PictureLimitsOn())
            slots_[slot]->OnBodyBytes = [this, &walk] { JudgeArrivingPictures(walk); };
    }
}

THttpWorker *TBatchRunner::WorkerFor(int slot)
{
    if (workerSource_)
        return workerSource_(slot);
    while (int(ownWorkers_.size()) <= slot)
        ownWorkers_.push_back(std::make_unique<THttpWorker>());
    return ownWorkers_[size_t(slot)].get();
}

void TBatchRunner::CloseKeptConnections()
{
    if (pageClient_)
        fileClient_->TakeKeptConnection(*pageClient_);  // does nothing while either runs
    if (!fileClient_->Connected)
        return;
    try {
        fileClient_->Disconnect();
    } catch (const ESockError &) {
    }
}

// Until every file has ended: the free slots are filled, then the
// transfers that end are taken in the order they ended. However the walk
// ends, nothing stays in transfer and no part file stays behind: the jobs
// end only after their slots let go.
void TBatchRunner::Schedule(Walk &walk)
{
    walk.clock.start();
    // One speed cap for all the walk's transfers: the worker slots get it
    // with the request settings, the file client while the walk runs.
    speedCap_ = SpeedCapOf(request_.settings.rateLimit);
    request_.http.RateLimiter = speedCap_;
    if (fileClient_)
        fileClient_->RateLimiter = speedCap_;
    const auto uncap = qScopeGuard([this] {
        if (fileClient_)
            fileClient_->RateLimiter = nullptr;
        speedCap_.reset();
    });
    QTimer ticker;
    ticker.setInterval(kProgressIntervalMs);
    connect(&ticker, &QTimer::timeout, this, [this, &walk] { EmitProgress(walk); });
    ticker.start();
    // A worker's bytes are looked at often: a picture too small is broken off early.
    QTimer judge;
    judge.setInterval(kPictureLookIntervalMs);
    connect(&judge, &QTimer::timeout, this, [this, &walk] { JudgeArrivingPictures(walk); });
    if (PictureLimitsOn())
        judge.start();
    const auto drain = qScopeGuard([this, &walk] {
        for (auto &slot : slots_) {
            if (slot->Busy())
                slot->Cancel();
        }
        while (std::any_of(slots_.begin(), slots_.end(), [](const auto &slot) { return slot->Busy(); }))
            net::PumpEvents(net::PumpMode::WaitForMore);
        for (auto &slot : slots_) {
            slot->OnFinished = nullptr;
            slot->OnBodyBytes = nullptr;
        }
        if (h2_)
            h2_->OnFinished = nullptr;
        walk.ready.reset();
        walk.jobs.clear();
        slots_.clear();
        reserved_.clear();
    });
    for (;;) {
        FillFreeSlots(walk);
        if (slots_.size() > 1)
            EmitProgress(walk);
        if (walk.InFlight() == 0)
            break;
        while (walk.finished.empty())
            net::PumpEvents(net::PumpMode::WaitForMore);
        EndFinishedTransfers(walk);
    }
}

// In list order: the next file waits for a free slot that takes it (a
// file of another origin for an HTTP/1.x slot beside HTTP/2 streams), and
// a file is taken from the list only when some slot is free. With one slot
// on this thread a transfer has ended when it returns from Start.
void TBatchRunner::FillFreeSlots(Walk &walk)
{
    const auto anyFree = [&walk] {
        return std::any_of(walk.jobs.begin(), walk.jobs.end(), [](const auto &job) { return !job.has_value(); });
    };
    for (;;) {
        if (!anyFree() || (!walk.ready && !PrepareNextFile(walk)))
            return;
        const int slot = FreeSlotFor(walk, *walk.ready);
        if (slot < 0)
            return;
        StartReady(walk, slot);
    }
}

// The next file (a retry first, else the next picked address), named and
// its part made, into walk.ready; false when there is none to start.
bool TBatchRunner::PrepareNextFile(Walk &walk)
{
    while (!ShuttingDown) {
        TBatchFile file;
        if (!walk.retries.empty()) {
            file = std::move(walk.retries.front());
            walk.retries.pop_front();
        } else if (!TakeNextPickedLink(walk, file)) {
            return false;
        } else if (SkipIfAlreadySaved(file.address)) {
            ++walk.ended;
            continue;
        }
        if (file.attempt > kMaxDownloadAttempts) {
            EndAttempt(walk, file, Step::Failed, nullptr);
            continue;
        }
        TResumePoint resume;
        std::unique_ptr<TPartFile> part;
        const Step prepared = RunStep(file, [&] {
            if (!PrepareTargetName(file))
                return Step::Failed;
            part = PartFileFor(file, resume);
            return Step::Saved;
        });
        lastName_ = file.name;
        if (prepared != Step::Saved) {
            EndAttempt(walk, file, prepared, nullptr);
            continue;
        }
        walk.ready.emplace(Ready{std::move(file), std::move(part), resume});
        return true;
    }
    return false;
}

// The first free slot that takes the file; -1 when none does now. A file
// an HTTP/2 stream takes waits for a stream: the HTTP/1.x slots are for
// the others, and a stream frees sooner than a new connection is made.
int TBatchRunner::FreeSlotFor(const Walk &walk, const Ready &ready) const
{
    const auto takes = [&ready](const std::unique_ptr<TTransferSlot> &slot) {
        return slot->Takes(ready.file, ready.resume);
    };
    const bool forStreams =
        std::any_of(slots_.begin(), slots_.end(), [&](const auto &slot) { return slot->Stream() && takes(slot); });
    for (int slot = 0; slot < int(walk.jobs.size()); ++slot) {
        const auto &candidate = slots_[size_t(slot)];
        if (!walk.jobs[size_t(slot)] && takes(candidate) && (!forStreams || candidate->Stream()))
            return slot;
    }
    return -1;
}

void TBatchRunner::StartReady(Walk &walk, int slot)
{
    Ready ready = std::move(*walk.ready);
    walk.ready.reset();
    PaceRequest(ready.file.address, request_.settings.wait);
    reserved_.insert(ready.file.name);
    Job &job =
        walk.jobs[size_t(slot)].emplace(Job{std::move(ready.file), std::move(ready.part), false, -1, std::nullopt});
    slots_[size_t(slot)]->Start(job.file.address, job.part->Name(), request_.http, ready.resume);
}

// The next picked address as a file of the batch, announced; false at the
// end of the list or once it was emptied (Disconnect).
bool TBatchRunner::TakeNextPickedLink(Walk &walk, TBatchFile &file)
{
    if (walk.noMore || listEmptied_ || walk.next >= walk.addresses.size()) {
        walk.noMore = true;
        return false;
    }
    const QByteArray address = walk.addresses[walk.next++];
    const QByteArray name = SavedFileName(SplitAddress(address).file, request_.settings.modernPages);
    ++walk.started;
    Q_EMIT FileAnnounced(address, name, walk.started, walk.addresses.size());
    const QString shown = QString::fromUtf8(name);
    Log(Say("Dol vlečem sliko ", "Downloading ") + shown + QStringLiteral(" -> ")
        + QString::fromUtf8(request_.folderPrefix) + shown);
    file = TBatchFile{address, request_.folderPrefix + name, 1, QString()};
    return true;
}

// With several slots, a transfer that ended with a whole 2xx answer gives
// its slot to the next file before its own checks and renaming: the next
// request is on its way while this thread works on the file. Its name
// stays reserved until then, so the next files are named as before. Any
// other ending, and every ending with one slot, is handled at once, its
// slot refilled after it.
void TBatchRunner::EndFinishedTransfers(Walk &walk)
{
    std::vector<std::pair<Job, TTransferResult>> whole;
    while (!walk.finished.empty()) {
        auto [slot, result] = std::move(walk.finished.front());
        walk.finished.pop_front();
        Job job = std::move(*walk.jobs[size_t(slot)]);
        walk.jobs[size_t(slot)].reset();
        if (slots_.size() > 1 && EndedWhole(result))
            whole.emplace_back(std::move(job), std::move(result));
        else
            EndTransfer(walk, job, result, slots_[size_t(slot)].get());
    }
    if (whole.empty())
        return;
    FillFreeSlots(walk);
    for (auto &[job, result] : whole)
        EndTransfer(walk, job, result, nullptr);
}

// A transfer ended: the file goes through its checks, and a retry waits
// for the next free slot. The slot, while it is still the job's, drops its
// connection for the retry.
void TBatchRunner::EndTransfer(Walk &walk, Job &job, const TTransferResult &result, TTransferSlot *slot)
{
    reserved_.remove(job.file.name);
    walk.bytesEnded += result.BytesRecvd;
    if (result.Fault == TTransferFault::NotForStreams) {
        job.part.reset();  // nothing was written: the redirect is followed over HTTP/1.x
        job.file.noStreams = true;
        walk.retries.push_front(std::move(job.file));
        return;
    }
    if (WaitForBusyServer(job.file, result)) {
        job.part.reset();
        if (slot)
            slot->Cancel();  // the next try on a new connection
        walk.retries.push_front(std::move(job.file));
        return;
    }
    if (PictureLimitsOn() && !job.judged && result.ReplyNumber >= 200 && result.ReplyNumber <= 299)
        JudgePicture(job, nullptr);  // the whole file came before a look
    if (job.tooSmall) {
        SkipTooSmall(job);
        job.part.reset();
        EndAttempt(walk, job.file, Step::Ended, nullptr);
        return;
    }
    const Step step = RunStep(job.file, [&] { return AfterTransfer(job.file, *job.part, result); });
    job.part.reset();
    if (step == Step::Saved) {
        ++walk.saved;
        walk.bytesSaved += result.BytesRecvd;
    }
    EndAttempt(walk, job.file, step, slot);
}

void TBatchRunner::EndAttempt(Walk &walk, TBatchFile &file, Step step, TTransferSlot *slot)
{
    lastName_ = file.name;
    if (step == Step::Retry) {
        if (slot)
            slot->Cancel();  // the next attempt on a new connection
        if (++file.attempt <= kMaxDownloadAttempts) {
            walk.retries.push_front(std::move(file));
            return;
        }
    }
    ++walk.ended;
    if (step == Step::Retry || step == Step::Failed)
        GiveUpDownload(file);
}

// Files ended and in transfer, bytes so far and the time: several times a
// second and, with several slots, after each change.
void TBatchRunner::EmitProgress(Walk &walk)
{
    if (walk.addresses.isEmpty())
        return;
    TBatchProgress progress{walk.ended, walk.addresses.size(), walk.InFlight(), walk.bytesEnded,
                            walk.clock.elapsed()};
    progress.skipped = walk.ended - walk.saved;
    progress.bytesSaved = walk.bytesSaved;
    if (!busyUntil_.hasExpired())
        progress.busyWaitS = int((busyUntil_.remainingTime() + 999) / 1000);
    for (size_t slot = 0; slot < walk.jobs.size(); ++slot) {
        if (!walk.jobs[slot])
            continue;
        const qint64 received = slots_[slot]->BytesReceived();
        const qint64 expected = slots_[slot]->BytesExpected();
        progress.bytes += received;
        if (expected >= 0)
            progress.bytesDue += qMax<qint64>(0, expected - received);
        else
            ++progress.sizeUnknown;
    }
    Q_EMIT Progress(progress);
}

// The save folder took no file: said in the log and a message, and every
// picked file not saved or passed over counts as failed.
void TBatchRunner::EndForTheFolder(const QString &message, qsizetype picked)
{
    const qsizetype done = qsizetype(tally.saved) + tally.failed + tally.skipped;
    tally.failed = ClampToInt32(qint64(tally.failed) + qMax<qsizetype>(0, picked - done));
    Log(message);
    Q_EMIT Dialog(message, true);
}

void TBatchRunner::Stop()
{
    stopped_ = !slots_.empty();
    for (auto &slot : slots_) {
        if (slot->Busy())
            slot->Cancel();
    }
    if (speedCap_)
        speedCap_->Cancel();  // a transfer held back by the cap hears the cancel at once
}

void TBatchRunner::Disconnect()
{
    listEmptied_ = true;
    Stop();
}

void TBatchRunner::CancelWorkers()
{
    if (slots_.size() > 1 || slotSource_)
        Stop();
}

// The least time between two requests to one host: the batch waits here
// until the gap since the last start there has passed.
bool TBatchRunner::PaceRequest(const QByteArray &address, qint32 waitSeconds)
{
    const QByteArray host = THttpClient::OriginOf(address).Host;
    const qint64 gapMs = qint64(qBound(0, waitSeconds, int(Settings::WaitMost))) * 1000;
    if (slots_.empty()) {
        // A page between batches: only what comes from now on ends it.
        stopped_ = false;
        listEmptied_ = false;
        waitBroken_ = false;
    }
    if (const qint64 ms = pacer_.WaitFor(host, pacerClock_.elapsed(), gapMs); ms > 0 && !WaitPolitely(ms))
        return false;
    pacer_.Started(host, pacerClock_.elapsed());
    return true;
}

// A 429 or 503 with a Retry-After that can be read: said in the log, and
// the file waits that long (Stop or Disconnect ends the wait at once),
// then is tried again without spending an attempt, at most kMostBusyWaits
// times. False when it goes on as any failed answer.
bool TBatchRunner::WaitForBusyServer(TBatchFile &file, const TTransferResult &result)
{
    if (file.busyWaits >= kMostBusyWaits || stopped_ || listEmptied_ || ShuttingDown)
        return false;
    const std::optional<int> seconds = BusyWaitOf(result, QDateTime::currentSecsSinceEpoch());
    if (!seconds)
        return false;
    ++file.busyWaits;
    const QByteArray &name = file.name;
    Log(BusyWaitText(*seconds, QString::fromUtf8(name.mid(name.lastIndexOf('/') + 1)), request_.english));
    // The progress says the wait (the longest, when several files wait).
    const QDeadlineTimer until(qint64(*seconds) * 1000);
    if (busyUntil_.hasExpired() || until.deadline() > busyUntil_.deadline())
        busyUntil_ = until;
    const bool waited = WaitPolitely(qint64(*seconds) * 1000);
    if (busyUntil_.deadline() <= until.deadline())
        busyUntil_ = QDeadlineTimer();
    return waited;
}

// Pumps events for ms milliseconds; false when Stop, Disconnect or the
// program's end broke the wait off.
bool TBatchRunner::WaitPolitely(qint64 ms)
{
    const auto broken = [this] {
        return stopped_ || listEmptied_ || waitBroken_ || ShuttingDown || (BatchInterrupted && !slots_.empty());
    };
    const QDeadlineTimer deadline(ms);
    QTimer wake;  // the wait's end is an event too
    wake.setSingleShot(true);
    while (!deadline.hasExpired() && !broken()) {
        wake.start(int(qBound(qint64(1), deadline.remainingTime(), qint64(60000))));
        net::PumpEvents(net::PumpMode::WaitForMore);
    }
    return !broken();
}
