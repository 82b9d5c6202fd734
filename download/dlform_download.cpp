// Downloading one file: the naming rules, the transfer through HTTP2, the
// retries, the empty-file and size-filter deletions and the error log.
#include "app/dialogs.h"
#include "app/dlform.h"
#include "app/platform.h"
#include "app/shared_state.h"
#include "base/convert.h"
#include "base/errors.h"
#include "base/line_file.h"
#include "download/file_naming.h"
#include "lists/list_file_format.h"
#include "net/http_client.h"
#include "net/socket_errors.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>

#include <cerrno>
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

// Deletes the file; the system's message when that fails, else empty.
QString DeleteFile(const QByteArray &name)
{
    return ::unlink(name.constData()) == 0 ? QString() : SystemErrorMessage(errno);
}
}  // namespace

void TDLForm::ZDownloadaj(const QByteArray &address, int attempt)
{
    if (attempt > kMaxAttempts) {
        GiveUpDownload(address);
        return;
    }
    try {
        CleanTargetName();
        HTTP2->Get(address);
        RunPictureCount = ClampToInt32(qint64(RunPictureCount) + 1);
        DeleteIfEmpty();
        if (CheckBox4->isChecked())
            DeleteIfTooSmall();
    } catch (const EConvertError &) {
        Dialogs().Message(QStringLiteral("Forbidden character detected in filename: I can't save file!"));
    } catch (const EFCreateError &) {
        Log(QStringLiteral("Forbidden character detected in filename: I can't save file ") + Name(HTTP2)
            + QStringLiteral("!"));
    } catch (const ESockError &e) {
        HandleDownloadSocketError(e, address, attempt);
    } catch (const ERangeError &e) {
        if (e.Message() != kRangeCheckError)
            return;
        Dialogs().Message(QStringLiteral("Napaka: ") + kRangeCheckError);
        Log(kRangeCheckError);
        RetryDownload(address, attempt);
    }
}

void TDLForm::HandleDownloadSocketError(const ESockError &e, const QByteArray &address, int attempt)
{
    const QString &message = e.Message();
    if (message == kConnectionTimedOut) {
        Log(QStringLiteral("Timeout while downloading - trying again... ") + QString::number(attempt));
        RetryDownload(address, attempt);
    } else if (message == kSocketSendAborted) {
        Log(kSocketSendAborted);
    } else if (message == kHostLookupCanceled && AbortRequested) {
        Log(Wording("Pritisnjena odpoved!", "User abort!"));
    } else if (IsInvalidPortNumber(e)) {
        Log(message);  // no retry: the address stays wrong
        GiveUpDownload(address);
    }
}

// Logs the address as failed and adds it to the error log.
void TDLForm::GiveUpDownload(const QByteArray &address)
{
    Log(QStringLiteral("Failed: ") + QString::fromUtf8(address));
    Memo4.append(address);
    SaveErrorLog();
}

void TDLForm::RetryDownload(const QByteArray &address, int attempt)
{
    HTTP2->Abort();
    HTTP2->Disconnect();
    ZDownloadaj(address, attempt + 1);
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
