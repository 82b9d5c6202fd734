// Saving the picked links several at a time. The transfers run on
// THttpWorker threads, one per slot, each with its own file client and kept
// connection; this thread names the files in list order before they start,
// and checks, names, logs and counts each one as it ends, as one at a time
// does. A slot that is free takes the next file at once.
#include "gui/dlform.h"
#include "gui/handler_guard.h"
#include "gui/list_box.h"
#include "gui/panel_status_bar.h"
#include "core/shared_state.h"
#include "base/errors.h"
#include "core/download/batch_file.h"
#include "core/download/batch_progress.h"
#include "gui/download/download_step.h"
#include "core/download/part_file.h"
#include "net/event_pump.h"
#include "net/http_worker.h"

#include <QCheckBox>
#include <QColor>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace {
// Ended with a whole 2xx answer: nothing that calls for a retry.
bool EndedWhole(const TTransferResult &result)
{
    return !result.Error && result.ReplyNumber >= 200 && result.ReplyNumber <= 299
           && (result.ContentLength < 0 || result.BytesRecvd >= result.ContentLength);
}
}  // namespace

struct TDLForm::ParallelJob {
    TBatchFile file;
    std::unique_ptr<TPartFile> part;  // removed when the job ends, unless named
};

struct TDLForm::ParallelWalk {
    THttpRequestSettings settings;  // the file client's, as the batch started
    qsizetype count = 0;            // lines of List2 as the batch started
    qsizetype next = 0;             // the next line to look at
    qsizetype selected = 0;
    int started = 0;                // files started, a retry not counted again
    int ended = 0;
    bool noMore = false;            // every picked line has been started
    std::exception_ptr listError;   // the list was emptied under the walk
    std::deque<TBatchFile> retries;
    std::vector<std::optional<ParallelJob>> jobs;  // one per slot
    std::deque<std::pair<int, TTransferResult>> finished;
    qint64 bytesEnded = 0;          // bytes of the transfers that ended
    qint64 bytesShown = -1;
    QElapsedTimer clock;

    int InFlight() const
    {
        return int(std::count_if(jobs.begin(), jobs.end(), [](const auto &job) { return job.has_value(); }));
    }
};

void TDLForm::WalkSelectedLinksAtOnce(int slotCount)
{
    ParallelWalk walk;
    walk.count = List2->Count();
    walk.selected = List2->SelectedCount();
    walk.settings = THttpRequestSettings::Of(*HTTP2);
    walk.clock.start();
    StartWorkers(slotCount, walk);
    QTimer progress;
    progress.setInterval(kProgressIntervalMs);
    connect(&progress, &QTimer::timeout, this, Guard([this, &walk] { ShowParallelProgress(walk); }));
    progress.start();
    // However the walk ends, nothing stays in transfer and no part file
    // stays behind: the jobs end only after their workers let go.
    const auto drain = qScopeGuard([this, &walk] {
        CancelWorkers();
        while (std::any_of(Workers.begin(), Workers.end(), [](const THttpWorker *w) { return w->Busy(); }))
            net::PumpEvents(net::PumpMode::WaitForMore);
        for (THttpWorker *worker : Workers)
            worker->OnFinished = nullptr;
        walk.jobs.clear();
        ReservedNames.clear();
    });
    for (;;) {
        FillFreeSlots(walk);
        ShowParallelProgress(walk);
        if (walk.InFlight() == 0)
            break;
        while (walk.finished.empty())
            net::PumpEvents(net::PumpMode::WaitForMore);
        EndFinishedTransfers(walk);
    }
    if (walk.listError)
        std::rethrow_exception(walk.listError);
}

void TDLForm::StartWorkers(int slotCount, ParallelWalk &walk)
{
    while (Workers.size() > slotCount)
        delete Workers.takeLast();
    while (Workers.size() < slotCount)
        Workers.append(new THttpWorker(this));
    walk.jobs.resize(size_t(slotCount));
    for (int slot = 0; slot < slotCount; ++slot) {
        Workers[slot]->OnFinished = [&walk, slot](THttpWorker *, TTransferResult result) {
            walk.finished.emplace_back(slot, std::move(result));
        };
    }
}

void TDLForm::FillFreeSlots(ParallelWalk &walk)
{
    for (int slot = 0; slot < int(walk.jobs.size()); ++slot) {
        if (!walk.jobs[size_t(slot)] && !StartNextFile(walk, slot))
            return;
    }
}

// Starts the next file (a retry first, else the next picked line) in the
// slot; false when there is none to start.
bool TDLForm::StartNextFile(ParallelWalk &walk, int slot)
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
        if (!PrepareTargetName(file)) {
            ++walk.ended;
            GiveUpDownload(file);
            continue;
        }
        TResumePoint resume;
        auto part = PartFileFor(file, resume);
        ReservedNames.insert(file.name);
        Workers[slot]->Start(file.address, part->Name(), walk.settings, resume);
        walk.jobs[size_t(slot)] = ParallelJob{std::move(file), std::move(part)};
        return true;
    }
    return false;
}

// The next selected line of List2 as a file of the batch, announced as one
// at a time announces it; false at the end of the list or when it was
// emptied under the walk (Disconnect).
bool TDLForm::TakeNextPickedLink(ParallelWalk &walk, TBatchFile &file)
{
    try {
        for (; !walk.noMore && walk.next < walk.count; ++walk.next) {
            if (!List2->Selected(walk.next))
                continue;
            file = TBatchFile{List2->Item(walk.next++), QByteArray(), 1, QString()};
            file.name = AnnounceDownload(file.address, ++walk.started, walk.selected, false);
            return true;
        }
    } catch (const EListError &) {
        walk.listError = std::current_exception();
    }
    walk.noMore = true;
    return false;
}

// A transfer that ended with a whole 2xx answer gives its slot to the next
// file before its own checks and renaming: the next request is on its way
// while this thread works on the file. Its name stays reserved until then,
// so the next files are named as before. Any other ending is handled at
// once, its slot refilled after it.
void TDLForm::EndFinishedTransfers(ParallelWalk &walk)
{
    std::vector<std::pair<ParallelJob, TTransferResult>> whole;
    while (!walk.finished.empty()) {
        auto [slot, result] = std::move(walk.finished.front());
        walk.finished.pop_front();
        ParallelJob job = std::move(*walk.jobs[size_t(slot)]);
        walk.jobs[size_t(slot)].reset();
        if (EndedWhole(result))
            whole.emplace_back(std::move(job), std::move(result));
        else
            EndTransfer(walk, job, result, Workers[slot]);
    }
    if (whole.empty())
        return;
    FillFreeSlots(walk);
    for (auto &[job, result] : whole)
        EndTransfer(walk, job, result, nullptr);
}

// A transfer ended: the file goes through the same steps as one at a time,
// and a retry waits for the next free slot. The worker, while the slot is
// still the job's, drops its connection for the retry.
void TDLForm::EndTransfer(ParallelWalk &walk, ParallelJob &job, const TTransferResult &result,
                          THttpWorker *worker)
{
    ReservedNames.remove(job.file.name);
    walk.bytesEnded += result.BytesRecvd;
    const DownloadStep step =
        RunDownloadStep(job.file, [&] { return AfterTransfer(job.file, *job.part, result); });
    job.part.reset();
    if (step == DownloadStep::Retry) {
        if (worker)
            worker->Cancel();  // the next attempt on a new connection, as one at a time does
        if (++job.file.attempt <= kMaxDownloadAttempts) {
            walk.retries.push_front(std::move(job.file));
            return;
        }
    }
    ++walk.ended;
    if (step == DownloadStep::Retry || step == DownloadStep::Failed)
        GiveUpDownload(job.file);
}

// Files ended and in transfer, bytes so far and the mean speed: short on
// the counter, whole in the status panel.
void TDLForm::ShowParallelProgress(ParallelWalk &walk)
{
    TBatchProgress progress{walk.ended, walk.selected, walk.InFlight(), walk.bytesEnded, walk.clock.elapsed()};
    for (size_t slot = 0; slot < walk.jobs.size(); ++slot) {
        if (walk.jobs[slot])
            progress.bytes += Workers[int(slot)]->BytesReceived();
    }
    const bool english = EnglishUI == 1;
    SetRich1Line(0, ProgressCounterLine(progress, english));
    SetRich1Line(1, ProgressRateLine(progress, english));
    Status1->SetPanelTexts(2, ProgressChoices(progress, english));
    if (progress.bytes != walk.bytesShown)
        SetShape1Color(Shape1Color() == QColor(Qt::red) ? QColor(Qt::green) : QColor(Qt::red));
    walk.bytesShown = progress.bytes;
}

void TDLForm::CancelWorkers()
{
    for (THttpWorker *worker : Workers) {
        if (worker->Busy())
            worker->Cancel();
    }
}
