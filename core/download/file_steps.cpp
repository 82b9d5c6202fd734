// One file's steps in a batch: the naming rules, the checks of what came,
// the final name, the retries, the empty-file and size-filter deletions
// and the error log.
#include "core/download/batch_runner.h"

#include "base/convert.h"
#include "base/errors.h"
#include "core/download/file_naming.h"
#include "core/download/part_file.h"
#include "core/download/transfer_outcome.h"
#include "core/shared_state.h"

#include <QDir>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString Say(bool english, const char *slovene, const char *english_)
{
    return QString::fromUtf8(english ? english_ : slovene);
}

constexpr qint64 kSizeOfAMissingFile = 10500500;

QString Name(const QByteArray &name)
{
    return QString::fromUtf8(name);
}

// The size of the saved file; a file that cannot be opened is an error.
qint64 SavedFileSize(const QByteArray &name)
{
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        throw EFOpenError::CannotOpen(QString::fromUtf8(name), SystemErrorMessage(error));
    }
    ::close(fd);
    return info.st_size;
}

// One look at a finished part: its size and its first count bytes (fewer
// when it is shorter). A part that cannot be opened gives size -1 and no
// bytes; the empty-file check then opens the saved file itself.
TPartLook LookAtPart(const QByteArray &name, qsizetype count)
{
    TPartLook look;
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return look;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        look.size = info.st_size;
    look.first.resize(count);
    const ssize_t n = ::read(fd, look.first.data(), size_t(count));
    ::close(fd);
    look.first.truncate(n < 0 ? 0 : qsizetype(n));
    return look;
}

// Names that name the save folder itself and never a file.
bool NamesTheFolder(const QByteArray &name)
{
    return name.isEmpty() || name == "." || name == "..";
}

bool IsFolder(const QByteArray &name)
{
    struct stat info {};
    return ::lstat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Renames without ever replacing: 0, or the errno. Where the file system
// has no such rename, a hard link and the removal of the old name do it.
int RenameNoReplace(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(from.constData(), to.constData()) != 0)
        return errno;
    ::unlink(from.constData());
    return 0;
}

QString CannotCreateReason(const QString &systemReason, bool english)
{
    return Say(english, "datoteke ni mogoče ustvariti: %1", "the file cannot be created: %1").arg(systemReason);
}

QString CannotWriteReason(const QString &systemReason, bool english)
{
    return Say(english, "datoteke ni mogoče zapisati: %1", "the file cannot be written: %1").arg(systemReason);
}

// Deletes the file; the system's message when that fails, else empty.
QString DeleteFile(const QByteArray &name)
{
    return ::unlink(name.constData()) == 0 ? QString() : SystemErrorMessage(errno);
}
}  // namespace

QString FolderRefusesFiles()
{
    TPartFile probe;
    const int fd = ::open(probe.Name().constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST ? QString() : SystemErrorMessage(errno);
    ::close(fd);
    return QString();  // the probe goes with its TPartFile
}


// The naming rules, passing over the names of files in transfer; false
// (with the reason logged) when no file can have the name.
bool TBatchRunner::PrepareTargetName(TBatchFile &file)
{
    CleanTargetName(file.name);
    if (!NamesTheFolder(file.name))
        return true;
    Log(QStringLiteral("Forbidden character detected in filename: I can't save file ") + Name(file.name)
        + QStringLiteral("!"));
    file.reason.clear();
    return false;
}

// Runs one step of a file's attempt and turns what it raises into the step
// that follows.
TBatchRunner::Step TBatchRunner::RunStep(TBatchFile &file, const std::function<Step()> &step)
{
    try {
        return step();
    } catch (const EConvertError &) {
        Q_EMIT Dialog(QStringLiteral("Forbidden character detected in filename: I can't save file!"), false);
        return Step::Ended;
    } catch (const EFCreateError &e) {
        return CannotCreate(file, e.Reason.isEmpty() ? e.Message() : e.Reason);
    } catch (const ERangeError &e) {
        if (e.Message() != kRangeCheckError)
            return Step::Ended;
        return RangeCheckFailed(file);
    }
}

// A file that could not be created fails; when no file can be saved in
// the folder at all, the batch ends (this file failed).
TBatchRunner::Step TBatchRunner::CannotCreate(TBatchFile &file, const QString &systemReason)
{
    file.reason = CannotCreateReason(systemReason, request_.english);
    if (FolderRefusesFiles().isEmpty())
        return Step::Failed;
    GiveUpDownload(file);
    CheckTheFolder();
    return Step::Failed;  // the folder took a file again meanwhile
}

void TBatchRunner::CheckTheFolder() const
{
    if (const QString refusal = SaveFolderRefusal(request_.english); !refusal.isEmpty())
        throw ESaveFolderError(refusal);
}

QString SaveFolderRefusal(bool english)
{
    const QString refused = FolderRefusesFiles();
    if (refused.isEmpty())
        return refused;
    return Say(english, "V mapo %1 ni mogoče shraniti nobene datoteke (%2). Prenos je končan.",
               "No file can be saved in the folder %1 (%2). The download has ended.")
        .arg(QDir::currentPath(), refused);
}

TBatchRunner::Step TBatchRunner::RangeCheckFailed(TBatchFile &file)
{
    Q_EMIT Dialog(QStringLiteral("Napaka: ") + kRangeCheckError, false);
    Log(kRangeCheckError);
    file.reason = kRangeCheckError;
    return Step::Retry;
}

// What follows a transfer, wherever it ran: a continued file that cannot
// be continued starts over; the checks, the final name, the count, the
// preview and the empty-file and size rules; a part that a later attempt
// can continue is kept for it.
TBatchRunner::Step TBatchRunner::AfterTransfer(TBatchFile &file, TPartFile &part, const TTransferResult &result)
{
    if (file.resumedFrom > 0 && ContinuationRefused(file, result)) {
        KeepForResume(file, part, result, Step::Failed);  // forgotten; the part goes
        return Step::Retry;
    }
    const Step step = CheckAndNameTransfer(file, part, result);
    KeepForResume(file, part, result, step);
    return step;
}

// A continued transfer the server or the file did not let go on (a range
// that does not continue the part, an error status, a part that changed):
// logged; the next attempt starts the file over.
bool TBatchRunner::ContinuationRefused(TBatchFile &file, const TTransferResult &result)
{
    QString why;
    if (result.Fault == TTransferFault::Resume) {
        why = result.FaultText(request_.english);
    } else if (result.Fault != TTransferFault::None) {
        return false;
    } else if (result.ReplyNumber < 200 || result.ReplyNumber > 299) {
        why = Say("strežnik je odgovoril %1", "the server answered %1").arg(QString::fromUtf8(result.StatusText));
    } else {
        return false;
    }
    file.reason = why;
    Log(Say("Prenosa %1 ni mogoče nadaljevati (%2) - začenjam znova", "Cannot continue %1 (%2) - starting over")
            .arg(Name(file.name), why));
    return true;
}

TBatchRunner::Step TBatchRunner::CheckAndNameTransfer(TBatchFile &file, TPartFile &part, const TTransferResult &result)
{
    if (result.Fault != TTransferFault::None)
        return TransferFailed(file, result);
    const TPartLook look = LookAtPart(part.Name(), kHtmlSniffBytes);
    const Step checked = CheckTransfer(file, look, result);
    if (checked != Step::Saved)
        return checked;
    QByteArray sha256;
    if (SameContentSaved(file, part.Name(), look.size, sha256))
        return Step::Skipped;
    const Step named = GiveFinalName(part.Name(), file);
    if (named != Step::Saved)
        return named;
    part.Keep();
    ++tally.saved;
    RunPictureCount = ClampToInt32(qint64(RunPictureCount) + 1);
    Q_EMIT FileSaved(file.address, file.name);
    DeleteIfEmpty(file.name, look.size);
    if (request_.settings.sizeFilter)
        DeleteIfTooSmall(file.name);
    RecordSaved(file, sha256);
    return Step::Saved;
}

// What came is kept only when it is whole and what the link asked for: a
// 2xx status after the redirects, the announced length reached, and no
// HTML page where the link names a file of another type.
TBatchRunner::Step TBatchRunner::CheckTransfer(TBatchFile &file, const TPartLook &part, const TTransferResult &result)
{
    const int status = result.ReplyNumber;
    if (status < 200 || status > 299) {
        const QByteArray text = result.StatusText;
        file.reason = status == 0
                          ? Say("odgovor brez veljavne statusne vrstice", "an answer without a valid status line")
                          : Say("strežnik je odgovoril %1", "the server answered %1").arg(QString::fromUtf8(text));
        return Step::Failed;
    }
    if (result.ContentLength >= 0 && result.BytesRecvd < result.ContentLength) {
        file.reason = Say("prišlo je le %1 od %2 bajtov", "only %1 of %2 bytes came")
                          .arg(result.BytesRecvd)
                          .arg(result.ContentLength);
        LogBrokenOff(file);
        return Step::Retry;
    }
    if (!LinkMayBeAPage(file.address) && LooksLikeHtmlPage(part.first)) {
        file.reason = Say("namesto datoteke je prišla stran HTML", "an HTML page came instead of the file");
        return Step::Failed;
    }
    return Step::Saved;
}

// Renames the temporary file to the file's name; a name taken meanwhile
// gets the next number as the naming rules give it, and a taken name is
// never replaced.
TBatchRunner::Step TBatchRunner::GiveFinalName(const QByteArray &part, TBatchFile &file)
{
    for (;;) {
        const int error = RenameNoReplace(part, file.name);
        if (error == 0)
            return Step::Saved;
        if (error != EEXIST || IsFolder(file.name)) {
            file.reason = CannotCreateReason(SystemErrorMessage(error == EEXIST ? EISDIR : error), request_.english);
            return Step::Failed;
        }
        Log(QStringLiteral("A file with this name already exists: ") + Name(file.name));
        file.name = ZamenjajImeDatoteke(file.name, reserved_);
        Log(QStringLiteral("File name changed to: ") + Name(file.name));
    }
}

// A transfer that raised: every failure of the file's own transfer fails
// (or retries) that file with its reason, whatever raised it. A time-out
// and a broken-off transfer are tried again; a stop is no failure.
TBatchRunner::Step TBatchRunner::TransferFailed(TBatchFile &file, const TTransferResult &result)
{
    const QString &text = result.FaultText(request_.english);
    switch (result.Fault) {
    case TTransferFault::TimedOut:
        Log(QStringLiteral("Timeout while downloading - trying again... ") + QString::number(file.attempt));
        file.reason = Say("čas za odgovor je potekel", "no answer within the time-out");
        return Step::Retry;
    // Stop, Disconnect, closing the window: the file is stopped, not failed.
    case TTransferFault::SendAborted:
        Log(text);
        ++tally.stopped;
        return Step::Ended;
    case TTransferFault::LookupCanceled:
        if (AbortRequested)
            Log(Say("Pritisnjena odpoved!", "User abort!"));
        ++tally.stopped;
        return Step::Ended;
    case TTransferFault::Canceled:
        ++tally.stopped;
        return Step::Ended;
    case TTransferFault::InvalidPort:
        Log(text);  // no retry: the address stays wrong
        file.reason.clear();
        return Step::Failed;
    case TTransferFault::BrokenOff:
        file.reason = text;
        LogBrokenOff(file);
        return Step::Retry;
    case TTransferFault::CannotWrite:  // disk full, file-size limit, I/O error
        file.reason = CannotWriteReason(text, request_.english);
        return Step::Failed;
    case TTransferFault::CannotCreate:
        return CannotCreate(file, text);
    case TTransferFault::RangeCheck:
        return RangeCheckFailed(file);
    case TTransferFault::Foreign:
        std::rethrow_exception(result.Error);
    case TTransferFault::None:
    case TTransferFault::Resume:  // a 206 we did not ask for
    case TTransferFault::Tls:     // a certificate refused: another attempt would meet it again
    case TTransferFault::Other:
    case TTransferFault::NotForStreams:  // asked again before its checks (EndTransfer)
        break;
    }
    file.reason = text;
    return Step::Failed;
}

void TBatchRunner::LogBrokenOff(const TBatchFile &file)
{
    Log(Say("Prenos datoteke %1 je prekinjen (%2) - poskušam znova... %3",
                "Transfer of %1 broken off (%2) - trying again... %3")
            .arg(Name(file.name), file.reason)
            .arg(file.attempt));
}

// Logs the file as failed with the reason and adds the address to the error log.
void TBatchRunner::GiveUpDownload(const TBatchFile &file)
{
    ++tally.failed;
    if (!file.reason.isEmpty())
        LogFailure(Say("Datoteke %1 ni bilo mogoče shraniti: %2", "File %1 was not saved: %2")
                       .arg(Name(file.name), file.reason));
    LogFailure(QStringLiteral("Failed: ") + QString::fromUtf8(file.address));
    Q_EMIT FileFailed(file.address);
    errorLog.Add(file.address);
}

void TBatchRunner::CleanTargetName(QByteArray &name)
{
    if (PreveriCudneZnake(name)) {
        Log(QStringLiteral("Forbidden character in file name: ") + Name(name));
        name = ZamenjajCudneZnake(name);
        Log(QStringLiteral("Forbidden file name changed to: ") + Name(name));
    }
    if (PreveriObstojDatoteke(name) || reserved_.contains(name)) {
        Log(QStringLiteral("A file with this name already exists: ") + Name(name));
        name = ZamenjajImeDatoteke(name, reserved_);
        Log(QStringLiteral("File name changed to: ") + Name(name));
    }
}

// The size of the part just renamed to name is known when it could be
// looked at (knownSize >= 0); else the saved file is opened for it.
void TBatchRunner::DeleteIfEmpty(const QByteArray &name, qint64 knownSize)
{
    if ((knownSize >= 0 ? knownSize : SavedFileSize(name)) != 0)
        return;
    Log(QStringLiteral("File ") + Name(name) + QStringLiteral(" is empty."));
    const QString failure = DeleteFile(name);
    Log(failure.isEmpty() ? QStringLiteral("File ") + Name(name) + QStringLiteral(" was deleted because it was empty.")
                          : failure);
}

void TBatchRunner::DeleteIfTooSmall(const QByteArray &name)
{
    const qint64 regular = RegularFileSize(name);
    const qint64 size = regular >= 0 ? regular : kSizeOfAMissingFile;
    const QString limitText =
        request_.sizeLimitText.isEmpty() ? QString::number(request_.settings.sizeLimit) : request_.sizeLimitText;
    const qint64 limit = StrToInt(limitText);
    if (size >= limit)
        return;
    Log(QStringLiteral("File ") + Name(name) + QStringLiteral(" is smaller than ") + limitText
        + QStringLiteral(" bytes."));
    const QString failure = DeleteFile(name);
    Log(failure.isEmpty() ? QStringLiteral("File ") + Name(name) + QStringLiteral(" was deleted.") : failure);
}

