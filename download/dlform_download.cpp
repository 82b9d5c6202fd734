// Downloading one file: the naming rules, the transfer through HTTP2 into a
// hidden temporary file, the checks of what came, the final name, the
// retries, the empty-file and size-filter deletions and the error log.
#include "app/dialogs.h"
#include "app/dlform.h"
#include "app/platform.h"
#include "app/shared_state.h"
#include "base/convert.h"
#include "base/errors.h"
#include "base/line_file.h"
#include "download/file_naming.h"
#include "download/transfer_outcome.h"
#include "lists/list_file_format.h"
#include "net/http_client.h"
#include "net/socket_errors.h"
#include "net/tls_errors.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kMaxAttempts = 5;
constexpr qint64 kSizeOfAMissingFile = 10500500;

QString Name(const THttpClient *http)
{
    return QString::fromUtf8(http->Body);
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

// The hidden file in the save folder that a body is written to until it
// is known to be whole. Created by the capture as a new file only; removed
// on every way out unless it got its final name.
class TPartFile {
public:
    TPartFile() : name_(FreeName()) {}
    ~TPartFile()
    {
        if (!kept_)
            ::unlink(name_.constData());
    }
    TPartFile(const TPartFile &) = delete;
    TPartFile &operator=(const TPartFile &) = delete;

    const QByteArray &Name() const { return name_; }
    void Keep() { kept_ = true; }

private:
    static QByteArray FreeName()
    {
        static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        for (;;) {
            QByteArray name = ".grabulo-";
            for (int i = 0; i < 6; ++i)
                name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
            name += ".part";
            // A name nothing answers to; a folder that cannot be searched
            // answers nothing at all, and the creation then says why.
            struct stat info {};
            if (::lstat(name.constData(), &info) != 0)
                return name;
        }
    }

    QByteArray name_;
    bool kept_ = false;
};

// The first count bytes of the file (fewer when it is shorter).
QByteArray FirstBytesOf(const QByteArray &name, qsizetype count)
{
    QByteArray bytes(count, '\0');
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const ssize_t n = fd < 0 ? 0 : ::read(fd, bytes.data(), size_t(count));
    if (fd >= 0)
        ::close(fd);
    bytes.truncate(n < 0 ? 0 : qsizetype(n));
    return bytes;
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

// Deletes the file; the system's message when that fails, else empty.
QString DeleteFile(const QByteArray &name)
{
    return ::unlink(name.constData()) == 0 ? QString() : SystemErrorMessage(errno);
}
}  // namespace

enum class TDLForm::DownloadStep : int {
    Saved,   // under its final name and counted
    Ended,   // nothing to record: stopped, or reported otherwise
    Retry,   // worth another attempt
    Failed,  // logged with the reason and recorded in error.log
};

void TDLForm::ZDownloadaj(const QByteArray &address, int attempt)
{
    QString reason;
    for (; attempt <= kMaxAttempts; ++attempt) {
        switch (DownloadOnce(address, attempt, reason)) {
        case DownloadStep::Retry:
            HTTP2->Abort();
            HTTP2->Disconnect();
            continue;
        case DownloadStep::Failed:
            GiveUpDownload(address, reason);
            return;
        case DownloadStep::Saved:
        case DownloadStep::Ended:
            return;
        }
    }
    GiveUpDownload(address, reason);
}

TDLForm::DownloadStep TDLForm::DownloadOnce(const QByteArray &address, int attempt, QString &reason)
{
    try {
        CleanTargetName();
        if (NamesTheFolder(HTTP2->Body)) {
            Log(QStringLiteral("Forbidden character detected in filename: I can't save file ") + Name(HTTP2)
                + QStringLiteral("!"));
            reason.clear();
            return DownloadStep::Failed;
        }
        TPartFile part;
        {
            TBodyRedirect into(HTTP2->Body, part.Name());
            HTTP2->Get(address);
        }
        const DownloadStep checked = CheckTransfer(address, attempt, part.Name(), reason);
        if (checked != DownloadStep::Saved)
            return checked;
        const DownloadStep named = GiveFinalName(part.Name(), reason);
        if (named != DownloadStep::Saved)
            return named;
        part.Keep();
        RunPictureCount = ClampToInt32(qint64(RunPictureCount) + 1);
        PreviewSavedFile();
        DeleteIfEmpty();
        if (CheckBox4->isChecked())
            DeleteIfTooSmall();
        return DownloadStep::Saved;
    } catch (const EConvertError &) {
        Dialogs().Message(QStringLiteral("Forbidden character detected in filename: I can't save file!"));
        return DownloadStep::Ended;
    } catch (const EFCreateError &e) {
        reason = CannotCreateReason(e.Reason.isEmpty() ? e.Message() : e.Reason);
        return DownloadStep::Failed;
    } catch (const ESockError &e) {
        return HandleDownloadSocketError(e, attempt, reason);
    } catch (const ERangeError &e) {
        if (e.Message() != kRangeCheckError)
            return DownloadStep::Ended;
        Dialogs().Message(QStringLiteral("Napaka: ") + kRangeCheckError);
        Log(kRangeCheckError);
        reason = kRangeCheckError;
        return DownloadStep::Retry;
    }
}

// What came is kept only when it is whole and what the link asked for: a
// 2xx status after the redirects, the announced length reached, and no
// HTML page where the link names a file of another type.
TDLForm::DownloadStep TDLForm::CheckTransfer(const QByteArray &address, int attempt, const QByteArray &part,
                                             QString &reason)
{
    const int status = HTTP2->ReplyNumber;
    if (status < 200 || status > 299) {
        const QByteArray text = StatusTextOf(HTTP2->Header);
        reason = status == 0 ? Wording("odgovor brez veljavne statusne vrstice", "an answer without a valid status line")
                             : Wording("strežnik je odgovoril %1", "the server answered %1").arg(QString::fromUtf8(text));
        return DownloadStep::Failed;
    }
    if (HTTP2->ContentLength >= 0 && HTTP2->BytesRecvd < HTTP2->ContentLength) {
        reason = Wording("prišlo je le %1 od %2 bajtov", "only %1 of %2 bytes came")
                     .arg(HTTP2->BytesRecvd)
                     .arg(HTTP2->ContentLength);
        LogBrokenOff(reason, attempt);
        return DownloadStep::Retry;
    }
    if (!LinkMayBeAPage(address) && LooksLikeHtmlPage(FirstBytesOf(part, kHtmlSniffBytes))) {
        reason = Wording("namesto datoteke je prišla stran HTML", "an HTML page came instead of the file");
        return DownloadStep::Failed;
    }
    return DownloadStep::Saved;
}

// Renames the temporary file to HTTP2->Body; a name taken meanwhile gets
// the next number as the naming rules give it, and a taken name is never
// replaced.
TDLForm::DownloadStep TDLForm::GiveFinalName(const QByteArray &part, QString &reason)
{
    for (;;) {
        const int error = RenameNoReplace(part, HTTP2->Body);
        if (error == 0)
            return DownloadStep::Saved;
        if (error != EEXIST || IsFolder(HTTP2->Body)) {
            reason = CannotCreateReason(SystemErrorMessage(error == EEXIST ? EISDIR : error));
            return DownloadStep::Failed;
        }
        Log(QStringLiteral("A file with this name already exists: ") + Name(HTTP2));
        HTTP2->Body = ZamenjajImeDatoteke(HTTP2->Body);
        Log(QStringLiteral("File name changed to: ") + Name(HTTP2));
    }
}

TDLForm::DownloadStep TDLForm::HandleDownloadSocketError(const ESockError &e, int attempt, QString &reason)
{
    const QString &message = e.Message();
    const bool canceled = dynamic_cast<const EAbortError *>(&e) || message == kConnectionCanceled
                          || message == kHostLookupCanceled;
    // A wait that ran into the time-out ends like a cancel; TimedOut tells.
    if (message == kConnectionTimedOut || message == kHostLookupTimedOut || (canceled && HTTP2->TimedOut)) {
        Log(QStringLiteral("Timeout while downloading - trying again... ") + QString::number(attempt));
        reason = Wording("čas za odgovor je potekel", "no answer within the time-out");
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
        reason.clear();
        return DownloadStep::Failed;
    }
    const auto *tls = dynamic_cast<const ETlsError *>(&e);
    if (tls && !IsBrokenOff(e)) {
        // A certificate refused: no request went out, and another attempt
        // would meet the same certificate.
        reason = TlsProblemText(*tls, EnglishUI == 1);
        return DownloadStep::Failed;
    }
    // "Connection Failed" says no more; the connection kept the system's code.
    reason = message == kConnectionFailed && HTTP2->LastError > 10000
                 ? SocketErrorText(HTTP2->LastError)
                 : message;
    if (IsBrokenOff(e)) {
        if (tls)
            reason = TlsProblemText(*tls, EnglishUI == 1);
        LogBrokenOff(reason, attempt);
        return DownloadStep::Retry;
    }
    return DownloadStep::Failed;
}

void TDLForm::LogBrokenOff(const QString &reason, int attempt)
{
    Log(Wording("Prenos datoteke %1 je prekinjen (%2) - poskušam znova... %3",
                "Transfer of %1 broken off (%2) - trying again... %3")
            .arg(Name(HTTP2), reason)
            .arg(attempt));
}

// Logs the file as failed with the reason and adds the address to the error log.
void TDLForm::GiveUpDownload(const QByteArray &address, const QString &reason)
{
    if (!reason.isEmpty())
        Log(Wording("Datoteke %1 ni bilo mogoče shraniti: %2", "File %1 was not saved: %2").arg(Name(HTTP2), reason));
    Log(QStringLiteral("Failed: ") + QString::fromUtf8(address));
    Memo4.append(address);
    SaveErrorLog();
}

void TDLForm::CleanTargetName()
{
    if (PreveriCudneZnake(HTTP2->Body)) {
        Log(QStringLiteral("Forbidden character in file name: ") + Name(HTTP2));
        HTTP2->Body = ZamenjajCudneZnake(HTTP2->Body);
        Log(QStringLiteral("Forbidden file name changed to: ") + Name(HTTP2));
    }
    if (PreveriObstojDatoteke(HTTP2->Body)) {
        Log(QStringLiteral("A file with this name already exists: ") + Name(HTTP2));
        HTTP2->Body = ZamenjajImeDatoteke(HTTP2->Body);
        Log(QStringLiteral("File name changed to: ") + Name(HTTP2));
    }
}

void TDLForm::DeleteIfEmpty()
{
    if (SavedFileSize(HTTP2->Body) != 0)
        return;
    Log(QStringLiteral("File ") + Name(HTTP2) + QStringLiteral(" is empty."));
    const QString failure = DeleteFile(HTTP2->Body);
    Log(failure.isEmpty() ? QStringLiteral("File ") + Name(HTTP2) + QStringLiteral(" was deleted because it was empty.")
                          : failure);
}

void TDLForm::DeleteIfTooSmall()
{
    struct stat info {};
    const qint64 size = ::lstat(HTTP2->Body.constData(), &info) == 0 && S_ISREG(info.st_mode)
                            ? qint64(info.st_size)
                            : kSizeOfAMissingFile;
    const qint64 limit = StrToInt(Edit12->text());
    if (size >= limit)
        return;
    Log(QStringLiteral("File ") + Name(HTTP2) + QStringLiteral(" is smaller than ") + Edit12->text()
        + QStringLiteral(" bytes."));
    const QString failure = DeleteFile(HTTP2->Body);
    Log(failure.isEmpty() ? QStringLiteral("File ") + Name(HTTP2) + QStringLiteral(" was deleted.") : failure);
}

void TDLForm::SaveErrorLog()
{
    // A text list of the failed addresses, which can be loaded as one.
    WriteLineFile(ProgramFile(QStringLiteral("error.log")), TextListLines(Memo4));
}
