// Downloading one file: the naming rules, the transfer through HTTP2 into a
// hidden temporary file, the checks of what came, the final name, the
// retries, the empty-file and size-filter deletions and the error log.
#include "gui/dialogs.h"
#include "gui/dlform.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "base/convert.h"
#include "base/errors.h"
#include "base/line_file.h"
#include "core/download/batch_file.h"
#include "gui/download/download_step.h"
#include "core/download/file_naming.h"
#include "core/download/part_file.h"
#include "core/download/transfer_outcome.h"
#include "core/lists/list_file_format.h"
#include "net/answer_errors.h"
#include "net/http_client.h"
#include "net/http_worker.h"
#include "net/resume_errors.h"
#include "net/socket_errors.h"
#include "net/tls_errors.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
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

// Points HTTP2->Body at the temporary file for the transfer and gives it
// back its target name afterwards, however the transfer ends.
class TBodyRedirect {
public:
    TBodyRedirect(QByteArray &body, const QByteArray &part) : body_(body), target_(body) { body_ = part; }
    ~TBodyRedirect() { body_ = target_; }
    TBodyRedirect(const TBodyRedirect &) = delete;
    TBodyRedirect &operator=(const TBodyRedirect &) = delete;

private:
    QByteArray &body_;
    QByteArray target_;
};

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

QString CannotCreateReason(const QString &systemReason)
{
    return Wording("datoteke ni mogoče ustvariti: %1", "the file cannot be created: %1").arg(systemReason);
}

QString CannotWriteReason(const QString &systemReason)
{
    return Wording("datoteke ni mogoče zapisati: %1", "the file cannot be written: %1").arg(systemReason);
}

// Whether a new file can be made in the save folder (the current folder):
// empty when it can, else the system's reason (gone, not writable).
QString FolderRefusesFiles()
{
    TPartFile probe;
    const int fd = ::open(probe.Name().constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST ? QString() : SystemErrorMessage(errno);
    ::close(fd);
    return QString();  // the probe goes with its TPartFile
}

// Deletes the file; the system's message when that fails, else empty.
QString DeleteFile(const QByteArray &name)
{
    return ::unlink(name.constData()) == 0 ? QString() : SystemErrorMessage(errno);
}
}  // namespace


void TDLForm::ZDownloadaj(const QByteArray &address, int attempt)
{
    TBatchFile file{address, HTTP2->Body, attempt, QString()};
    // The caller finds the name the file was saved under where it put it.
    const auto nameBack = qScopeGuard([&] { HTTP2->Body = file.name; });
    for (; file.attempt <= kMaxDownloadAttempts; ++file.attempt) {
        switch (DownloadOnce(file)) {
        case DownloadStep::Retry:
            HTTP2->Abort();
            HTTP2->Disconnect();
            continue;
        case DownloadStep::Failed:
            GiveUpDownload(file);
            return;
        case DownloadStep::Saved:
        case DownloadStep::Ended:
            return;
        }
    }
    GiveUpDownload(file);
}

TDLForm::DownloadStep TDLForm::DownloadOnce(TBatchFile &file)
{
    return RunDownloadStep(file, [&] {
        if (!PrepareTargetName(file))
            return DownloadStep::Failed;
        TResumePoint resume;
        const std::unique_ptr<TPartFile> part = PartFileFor(file, resume);
        return AfterTransfer(file, *part, TransferHere(file.address, part->Name(), resume));
    });
}

// The transfer through the window's file client, into the part file.
TTransferResult TDLForm::TransferHere(const QByteArray &address, const QByteArray &part, const TResumePoint &resume)
{
    std::exception_ptr error;
    try {
        TBodyRedirect into(HTTP2->Body, part);
        HTTP2->ResumeFrom = resume.From;
        HTTP2->ResumeValidator = resume.Validator;
        HTTP2->ResumeTotal = resume.Total;
        HTTP2->Get(address);
    } catch (...) {
        error = std::current_exception();
    }
    TTransferResult result = TTransferResult::Of(*HTTP2, error);
    result.File = part;  // HTTP2->Body has its target name back
    return result;
}

// The naming rules, passing over the names of files in transfer; false
// (with the reason logged) when no file can have the name.
bool TDLForm::PrepareTargetName(TBatchFile &file)
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
TDLForm::DownloadStep TDLForm::RunDownloadStep(TBatchFile &file, const std::function<DownloadStep()> &step)
{
    try {
        return step();
    } catch (const EConvertError &) {
        Dialogs().Message(QStringLiteral("Forbidden character detected in filename: I can't save file!"));
        return DownloadStep::Ended;
    } catch (const EFCreateError &e) {
        file.reason = CannotCreateReason(e.Reason.isEmpty() ? e.Message() : e.Reason);
        const QString refused = FolderRefusesFiles();
        if (refused.isEmpty())
            return DownloadStep::Failed;
        // No file can be saved there: the batch ends, this file failed.
        GiveUpDownload(file);
        throw ESaveFolderError(Wording("V mapo %1 ni mogoče shraniti nobene datoteke (%2). Prenos je končan.",
                                       "No file can be saved in the folder %1 (%2). The download has ended.")
                                   .arg(QDir::currentPath(), refused));
    } catch (const ERangeError &e) {
        if (e.Message() != kRangeCheckError)
            return DownloadStep::Ended;
        Dialogs().Message(QStringLiteral("Napaka: ") + kRangeCheckError);
        Log(kRangeCheckError);
        file.reason = kRangeCheckError;
        return DownloadStep::Retry;
    }
}

// What follows a transfer, wherever it ran: a continued file that cannot
// be continued starts over; the checks, the final name, the count, the
// preview and the empty-file and size rules; a part that a later attempt
// can continue is kept for it.
TDLForm::DownloadStep TDLForm::AfterTransfer(TBatchFile &file, TPartFile &part, const TTransferResult &result)
{
    if (file.resumedFrom > 0 && ContinuationRefused(file, result)) {
        KeepForResume(file, part, result, DownloadStep::Failed);  // forgotten; the part goes
        return DownloadStep::Retry;
    }
    const DownloadStep step = CheckAndNameTransfer(file, part, result);
    KeepForResume(file, part, result, step);
    return step;
}

// A continued transfer the server or the file did not let go on (a range
// that does not continue the part, an error status, a part that changed):
// logged; the next attempt starts the file over.
bool TDLForm::ContinuationRefused(TBatchFile &file, const TTransferResult &result)
{
    QString why;
    if (result.Error) {
        try {
            std::rethrow_exception(result.Error);
        } catch (const EResumeError &e) {
            why = ResumeProblemText(e, EnglishUI == 1);
        } catch (...) {
            return false;
        }
    } else if (result.ReplyNumber < 200 || result.ReplyNumber > 299) {
        why = Wording("strežnik je odgovoril %1", "the server answered %1")
                  .arg(QString::fromUtf8(StatusTextOf(result.Header)));
    } else {
        return false;
    }
    file.reason = why;
    Log(Wording("Prenosa %1 ni mogoče nadaljevati (%2) - začenjam znova", "Cannot continue %1 (%2) - starting over")
            .arg(Name(file.name), why));
    return true;
}

TDLForm::DownloadStep TDLForm::CheckAndNameTransfer(TBatchFile &file, TPartFile &part, const TTransferResult &result)
{
    if (result.Error)
        return TransferFailed(file, result);
    const TPartLook look = LookAtPart(part.Name(), kHtmlSniffBytes);
    const DownloadStep checked = CheckTransfer(file, look, result);
    if (checked != DownloadStep::Saved)
        return checked;
    const DownloadStep named = GiveFinalName(part.Name(), file);
    if (named != DownloadStep::Saved)
        return named;
    part.Keep();
    ++Tally.saved;
    RunPictureCount = ClampToInt32(qint64(RunPictureCount) + 1);
    PreviewSavedFile(file.name);
    DeleteIfEmpty(file.name, look.size);
    if (CheckBox4->isChecked())
        DeleteIfTooSmall(file.name);
    RecordSaved(file);
    return DownloadStep::Saved;
}

// What came is kept only when it is whole and what the link asked for: a
// 2xx status after the redirects, the announced length reached, and no
// HTML page where the link names a file of another type.
TDLForm::DownloadStep TDLForm::CheckTransfer(TBatchFile &file, const TPartLook &part, const TTransferResult &result)
{
    const int status = result.ReplyNumber;
    if (status < 200 || status > 299) {
        const QByteArray text = StatusTextOf(result.Header);
        file.reason = status == 0
                          ? Wording("odgovor brez veljavne statusne vrstice", "an answer without a valid status line")
                          : Wording("strežnik je odgovoril %1", "the server answered %1").arg(QString::fromUtf8(text));
        return DownloadStep::Failed;
    }
    if (result.ContentLength >= 0 && result.BytesRecvd < result.ContentLength) {
        file.reason = Wording("prišlo je le %1 od %2 bajtov", "only %1 of %2 bytes came")
                          .arg(result.BytesRecvd)
                          .arg(result.ContentLength);
        LogBrokenOff(file);
        return DownloadStep::Retry;
    }
    if (!LinkMayBeAPage(file.address) && LooksLikeHtmlPage(part.first)) {
        file.reason = Wording("namesto datoteke je prišla stran HTML", "an HTML page came instead of the file");
        return DownloadStep::Failed;
    }
    return DownloadStep::Saved;
}

// Renames the temporary file to the file's name; a name taken meanwhile
// gets the next number as the naming rules give it, and a taken name is
// never replaced.
TDLForm::DownloadStep TDLForm::GiveFinalName(const QByteArray &part, TBatchFile &file)
{
    for (;;) {
        const int error = RenameNoReplace(part, file.name);
        if (error == 0)
            return DownloadStep::Saved;
        if (error != EEXIST || IsFolder(file.name)) {
            file.reason = CannotCreateReason(SystemErrorMessage(error == EEXIST ? EISDIR : error));
            return DownloadStep::Failed;
        }
        Log(QStringLiteral("A file with this name already exists: ") + Name(file.name));
        file.name = ZamenjajImeDatoteke(file.name, ReservedNames);
        Log(QStringLiteral("File name changed to: ") + Name(file.name));
    }
}

// A transfer that raised: every failure of the file's own transfer fails
// (or retries) that file with its reason, whatever raised it; a part file
// that could not be created is left to RunDownloadStep, which looks at the
// folder.
TDLForm::DownloadStep TDLForm::TransferFailed(TBatchFile &file, const TTransferResult &result)
{
    try {
        std::rethrow_exception(result.Error);
    } catch (const ESockError &e) {
        return HandleDownloadSocketError(e, file, result);
    } catch (const EInOutError &e) {  // disk full, file-size limit, I/O error
        file.reason = CannotWriteReason(e.Message());
    } catch (const EFCreateError &) {
        throw;
    } catch (const ERangeError &) {
        throw;
    } catch (const Exception &e) {  // an address from the server that cannot be used, ...
        file.reason = e.Message();
    }
    return DownloadStep::Failed;
}

TDLForm::DownloadStep TDLForm::HandleDownloadSocketError(const ESockError &e, TBatchFile &file,
                                                         const TTransferResult &result)
{
    const QString &message = e.Message();
    const bool canceled = dynamic_cast<const EAbortError *>(&e) || message == kConnectionCanceled
                          || message == kHostLookupCanceled;
    // A wait that ran into the time-out ends like a cancel; TimedOut tells.
    if (message == kConnectionTimedOut || message == kHostLookupTimedOut || (canceled && result.TimedOut)) {
        Log(QStringLiteral("Timeout while downloading - trying again... ") + QString::number(file.attempt));
        file.reason = Wording("čas za odgovor je potekel", "no answer within the time-out");
        return DownloadStep::Retry;
    }
    if (canceled) {  // Stop, Disconnect, closing the window: not a failure
        if (message == kSocketSendAborted)
            Log(kSocketSendAborted);
        else if (message == kHostLookupCanceled && AbortRequested)
            Log(Wording("Pritisnjena odpoved!", "User abort!"));
        return DownloadStep::Ended;
    }
    if (IsInvalidPortNumber(e)) {
        Log(message);  // no retry: the address stays wrong
        file.reason.clear();
        return DownloadStep::Failed;
    }
    if (const auto *resume = dynamic_cast<const EResumeError *>(&e)) {
        file.reason = ResumeProblemText(*resume, EnglishUI == 1);  // a 206 we did not ask for
        return DownloadStep::Failed;
    }
    const auto *tls = dynamic_cast<const ETlsError *>(&e);
    if (tls && !IsBrokenOff(e)) {
        // A certificate refused: no request went out, and another attempt
        // would meet the same certificate.
        file.reason = TlsProblemText(*tls, EnglishUI == 1);
        return DownloadStep::Failed;
    }
    // "Connection Failed" says no more; the connection kept the system's code.
    file.reason = message == kConnectionFailed && result.LastError > 10000
                      ? SocketErrorText(result.LastError)
                      : AnswerFailureText(e, HTTP2->LowSpeedTime, EnglishUI == 1);
    if (IsBrokenOff(e)) {
        if (tls)
            file.reason = TlsProblemText(*tls, EnglishUI == 1);
        LogBrokenOff(file);
        return DownloadStep::Retry;
    }
    return DownloadStep::Failed;
}

void TDLForm::LogBrokenOff(const TBatchFile &file)
{
    Log(Wording("Prenos datoteke %1 je prekinjen (%2) - poskušam znova... %3",
                "Transfer of %1 broken off (%2) - trying again... %3")
            .arg(Name(file.name), file.reason)
            .arg(file.attempt));
}

// Logs the file as failed with the reason and adds the address to the error log.
void TDLForm::GiveUpDownload(const TBatchFile &file)
{
    ++Tally.failed;
    if (!file.reason.isEmpty())
        LogFailure(Wording("Datoteke %1 ni bilo mogoče shraniti: %2", "File %1 was not saved: %2")
                       .arg(Name(file.name), file.reason));
    LogFailure(QStringLiteral("Failed: ") + QString::fromUtf8(file.address));
    Memo4.append(file.address);
    SaveErrorLog(1);
}

void TDLForm::CleanTargetName(QByteArray &name)
{
    if (PreveriCudneZnake(name)) {
        Log(QStringLiteral("Forbidden character in file name: ") + Name(name));
        name = ZamenjajCudneZnake(name);
        Log(QStringLiteral("Forbidden file name changed to: ") + Name(name));
    }
    if (PreveriObstojDatoteke(name) || ReservedNames.contains(name)) {
        Log(QStringLiteral("A file with this name already exists: ") + Name(name));
        name = ZamenjajImeDatoteke(name, ReservedNames);
        Log(QStringLiteral("File name changed to: ") + Name(name));
    }
}

// The size of the part just renamed to name is known when it could be
// looked at (knownSize >= 0); else the saved file is opened for it.
void TDLForm::DeleteIfEmpty(const QByteArray &name, qint64 knownSize)
{
    if ((knownSize >= 0 ? knownSize : SavedFileSize(name)) != 0)
        return;
    Log(QStringLiteral("File ") + Name(name) + QStringLiteral(" is empty."));
    const QString failure = DeleteFile(name);
    Log(failure.isEmpty() ? QStringLiteral("File ") + Name(name) + QStringLiteral(" was deleted because it was empty.")
                          : failure);
}

void TDLForm::DeleteIfTooSmall(const QByteArray &name)
{
    const qint64 regular = RegularFileSize(name);
    const qint64 size = regular >= 0 ? regular : kSizeOfAMissingFile;
    const qint64 limit = StrToInt(Edit12->text());
    if (size >= limit)
        return;
    Log(QStringLiteral("File ") + Name(name) + QStringLiteral(" is smaller than ") + Edit12->text()
        + QStringLiteral(" bytes."));
    const QString failure = DeleteFile(name);
    Log(failure.isEmpty() ? QStringLiteral("File ") + Name(name) + QStringLiteral(" was deleted.") : failure);
}

// A text list of the failed addresses, which can be loaded as one. The
// program's first failure replaces the file of an earlier run; after that
// each failure adds its line to the end, while the file is still the one
// this run wrote and holds every entry of Memo4 before these. Else (gone,
// changed, a failed append, Memo4 changed) it is written whole again, as it
// was after every failure before.
void TDLForm::SaveErrorLog(qsizetype added)
{
    const QString path = ProgramFile(QStringLiteral("error.log"));
    if (added > 0 && ErrorLogMark.lines == Memo4.size() - added) {
        ErrorLogMark = AppendLineFile(path, TextListLines(Memo4.mid(Memo4.size() - added)), ErrorLogMark);
        if (ErrorLogMark.size >= 0)
            return;
    }
    ErrorLogMark = {};
    WriteLineFile(path, TextListLines(Memo4));
    ErrorLogMark = LineFileMarkOf(path, Memo4.size());
}
