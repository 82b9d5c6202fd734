// TBatchRunner: saving a batch of picked files, with no window. A request
// value goes in (the addresses in list order, the folder prefix, the
// settings, the file client's request settings, the language); signals
// come out for each log line, each file's announcement and outcome, the
// progress and the end. One scheduler runs 1 to 8 transfer slots: with
// one, the transfer runs on the file client on this thread and the next
// file starts only after the last one's checks (one at a time); with more,
// each slot is a THttpWorker thread, and a slot that is free takes the
// next file at once. This thread names, checks, logs and counts every
// file, in list order as it starts and as it ends. The runner outlives its
// batches: it keeps the archive of saved files and the error log.
#pragma once

#include "core/download/batch_file.h"
#include "core/download/batch_progress.h"
#include "core/download/error_log.h"
#include "core/download/polite_wait.h"
#include "core/download/transfer_slot.h"
#include "core/settings/settings.h"
#include "net/http_worker.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TH2Worker;
class THttpClient;
class TPartFile;
class TSavedArchive;
struct TPartLook;

struct TBatchRequest {
    QList<QByteArray> addresses;  // the picked addresses, in list order
    QByteArray folderPrefix;      // before each file name: the save folder as shown
    TSettingsValues settings;     // parallel, skipSaved, sizeFilter/sizeLimit, modernPages
    // The size limit as the window's field holds it, said so in the log;
    // one that is no number stops the file's steps after its final name.
    // Empty: settings.sizeLimit.
    QString sizeLimitText;
    THttpRequestSettings http;    // the file client's request settings, for worker slots
    bool english = false;
};

// Why no file can be saved in the save folder (the current folder), as the
// log and a message say it; empty when a file can be made there.
QString SaveFolderRefusal(bool english);

// How a batch ended.
struct TBatchEnd {
    TBatchTally tally;
    bool interrupted = false;  // Stop, Disconnect, the folder refused, shutting down
    bool listEmptied = false;  // Disconnect: the picked list is gone
    bool folderRefused = false;  // the save folder takes no file: nothing (more) was asked for
};

class TBatchRunner : public QObject {
    Q_OBJECT
public:
    // What one attempt at a file came to.
    // Skipped: passed over after its transfer (the same content is saved
    // already); its part goes, and nothing is kept for a resume.
    enum class Step { Saved, Ended, Retry, Failed, Skipped };

    explicit TBatchRunner(QObject *parent = nullptr);
    ~TBatchRunner() override;

    // The file client serves a batch of one slot; the page client's kept
    // connection is taken by it first. Both are read at each run.
    void SetClients(THttpClient *fileClient, THttpClient *pageClient);
    // The worker thread of slot i in a batch of several at once; by default
    // the runner makes its own.
    void SetWorkerSource(std::function<THttpWorker *(int slot)> source) { workerSource_ = std::move(source); }
    // Transfer slots of one's own in place of the clients and workers (a
    // test's fake slots): slot i of count.
    void SetSlotSource(std::function<std::unique_ptr<TTransferSlot>(int slot, int count)> source)
    {
        slotSource_ = std::move(source);
    }

    // Runs the batch to its end, pumping events while transfers run.
    TBatchEnd Run(const TBatchRequest &request);
    // One file on the file client, outside a batch: named name, from the
    // given attempt on. The name it was saved under (or last had).
    QByteArray RunOne(const QByteArray &address, const QByteArray &name, int attempt, const TBatchRequest &request);
    // Opens, while a page loads, the connections a batch with these
    // settings would make to address's origin (for https through the
    // handshake), so that its first files go out at once: with keep-alive
    // on, the HTTP/2 connection when "http2" allows it and the server
    // chooses it, else with more than one slot each worker's one. Never
    // blocks; nothing is sent. A batch to another origin replaces them.
    void Preconnect(const QByteArray &address, const TSettingsValues &settings, const THttpRequestSettings &http);
    // Stop: the running transfers end as stopped; the batch goes on, and
    // ends as interrupted.
    void Stop();
    // Disconnect: the transfers end, and the batch takes no further file.
    void Disconnect();
    // The "wait": holds the next request to the address's host (a file of a
    // batch, a page of a list download) until waitSeconds have passed since
    // the last one started there, kept across batches. Stop, Disconnect or
    // BreakWait ends the hold: then false, and the request is not to go.
    bool PaceRequest(const QByteArray &address, qint32 waitSeconds);
    // Ends a polite wait running now (a page's hold between batches
    // included), as the window's Stop and Disconnect and a closing program do.
    void BreakWait() { waitBroken_ = true; }
    // Ends the transfers on worker threads only (the file client is the
    // window's to abort).
    void CancelWorkers();
    void ListEmptied() { listEmptied_ = true; }
    // The name the last file of RunOne had when it ended (or when what it
    // raised ended it).
    const QByteArray &LastName() const { return lastName_; }

    // What became of the files of the running (or last) batch.
    TBatchTally tally;
    // The addresses given up in this run and error.log.
    TErrorLog errorLog;

Q_SIGNALS:
    void LogLine(const QString &line, bool failure);
    // The k-th of count files is about to be named file (the address's own
    // name, before the folder prefix and the naming rules).
    void FileAnnounced(const QByteArray &address, const QByteArray &file, int k, qsizetype count);
    void FileSaved(const QByteArray &address, const QByteArray &name);
    void FileFailed(const QByteArray &address);
    void Progress(const TBatchProgress &progress);
    // A message box the user must see; error: an error box.
    void Dialog(const QString &text, bool error);
    void Ended(const TBatchEnd &end);

private:
    struct Job;
    struct Ready;
    struct Walk;
    // The scheduler (batch_runner.cpp).
    void Schedule(Walk &walk);
    void MakeSlots(Walk &walk, int count, bool streams);
    THttpWorker *WorkerFor(int slot);
    void CloseKeptConnections();
    // HTTP/2 streams (stream_slots.cpp).
    bool StreamsAllowed(const TSettingsValues &settings, const THttpRequestSettings &http,
                        const QByteArray &address) const;
    int MakeStreamSlots(const Walk &walk);
    void PreconnectWorkers(const QByteArray &address, const THttpRequestSettings &http, int count);
    void FillFreeSlots(Walk &walk);
    bool PrepareNextFile(Walk &walk);
    int FreeSlotFor(const Walk &walk, const Ready &ready) const;
    void StartReady(Walk &walk, int slot);
    bool TakeNextPickedLink(Walk &walk, TBatchFile &file);
    void EndFinishedTransfers(Walk &walk);
    void EndTransfer(Walk &walk, Job &job, const TTransferResult &result, TTransferSlot *slot);
    void EndAttempt(Walk &walk, TBatchFile &file, Step step, TTransferSlot *slot);
    void EmitProgress(Walk &walk);
    // Polite waiting (batch_runner.cpp).
    bool WaitForBusyServer(TBatchFile &file, const TTransferResult &result);
    bool WaitPolitely(qint64 ms);
    // The least picture size (picture_limits.cpp).
    bool PictureLimitsOn() const;
    void JudgeArrivingPictures(Walk &walk);
    void JudgePicture(Job &job, TTransferSlot *slot);
    void SkipTooSmall(const Job &job);
    void EndForTheFolder(const QString &message, qsizetype picked);
    // Raises ESaveFolderError when the save folder takes no new file.
    void CheckTheFolder() const;
    // One file's steps (file_steps.cpp).
    Step RunStep(TBatchFile &file, const std::function<Step()> &step);
    bool PrepareTargetName(TBatchFile &file);
    void CleanTargetName(QByteArray &name);
    Step AfterTransfer(TBatchFile &file, TPartFile &part, const TTransferResult &result);
    bool ContinuationRefused(TBatchFile &file, const TTransferResult &result);
    Step CheckAndNameTransfer(TBatchFile &file, TPartFile &part, const TTransferResult &result);
    Step CheckTransfer(TBatchFile &file, const TPartLook &part, const TTransferResult &result);
    Step GiveFinalName(const QByteArray &part, TBatchFile &file);
    Step TransferFailed(TBatchFile &file, const TTransferResult &result);
    Step CannotCreate(TBatchFile &file, const QString &systemReason);
    Step RangeCheckFailed(TBatchFile &file);
    void LogBrokenOff(const TBatchFile &file);
    void GiveUpDownload(const TBatchFile &file);
    void DeleteIfEmpty(const QByteArray &name, qint64 knownSize);
    void DeleteIfTooSmall(const QByteArray &name);
    // The archive of saved files and resuming (saved_files.cpp, resume.cpp).
    void OpenSavedArchive();
    bool ArchiveInUse() const;
    bool SkipIfAlreadySaved(const QByteArray &address);
    bool SameContentSaved(const TBatchFile &file, const QByteArray &part, qint64 size, QByteArray &sha256);
    void RecordSaved(const TBatchFile &file, const QByteArray &sha256);
    std::unique_ptr<TPartFile> PartFileFor(TBatchFile &file, TResumePoint &resume);
    void KeepForResume(const TBatchFile &file, TPartFile &part, const TTransferResult &result, Step step);

    void Log(const QString &line) { Q_EMIT LogLine(line, false); }
    void LogFailure(const QString &line) { Q_EMIT LogLine(line, true); }
    QString Say(const char *slovene, const char *english) const;

    TBatchRequest request_;
    THttpClient *fileClient_ = nullptr;
    THttpClient *pageClient_ = nullptr;
    std::function<THttpWorker *(int)> workerSource_;
    std::function<std::unique_ptr<TTransferSlot>(int, int)> slotSource_;
    std::vector<std::unique_ptr<THttpWorker>> ownWorkers_;
    std::unique_ptr<TH2Worker> h2_;  // the streams of one https origin; made when first allowed
    std::vector<std::unique_ptr<TTransferSlot>> slots_;
    QSet<QByteArray> reserved_;  // names of files in transfer
    std::unique_ptr<TSavedArchive> archive_;
    bool listEmptied_ = false;
    bool stopped_ = false;  // Stop came during the running batch
    QByteArray lastName_;
    THostPacer pacer_;         // request starts per host, for the "wait"
    std::shared_ptr<TRateLimiter> speedCap_;  // the running walk's "ratelimit"; null none
    QElapsedTimer pacerClock_;
    QDeadlineTimer busyUntil_;
    bool waitBroken_ = false;  // the end of the longest wait for a busy server
};
