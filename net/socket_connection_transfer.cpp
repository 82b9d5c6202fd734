// TSocketConnection: sending, reading lines, capturing into a string or a
// file, and the command/reply Transaction.
#include "net/socket_connection.h"

#include "base/errors.h"
#include "net/capture_file.h"
#include "net/event_pump.h"
#include "net/rate_limiter.h"
#include "net/socket_errors.h"
#include "net/socket_scopes.h"

#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

}  // namespace

// One send call; waits (letting the time-out and Cancel in) when the send
// would block. Returns false when the peer takes nothing more.
bool TSocketConnection::SendSome(const char *data, qsizetype &remaining, qint64 *sentCounter)
{
    const ssize_t n = Send(data, size_t(remaining), moreToSend_);
    if (n > 0) {
        CloseLowSpeedWindow();  // a request: the seconds of its answer start with its first read
        remaining -= n;
        if (sentCounter)
            *sentCounter += n;
        return true;
    }
    if (n == 0)
        return false;
    if (WouldBlock(errno))
        WaitToSend();
    else if (errno != EINTR)
        CheckSocketError(WsaCode::WouldBlock);
    return true;
}

void TSocketConnection::SendBuffer(const char *data, quint16 length)
{
    ReportStatus(4, "Sending Buffer");
    TimerScope timer(*this);
    if (!Canceled) {
        qsizetype size = length;
        if (length == 0) {
            size = qsizetype(strnlen(data, kBufferSize + 1));
            if (size > 65535)
                throw ERangeError();
        }
        qsizetype remaining = size;
        while (remaining > 0 && !Canceled) {
            if (!SendSome(data + (size - remaining), remaining, nullptr))
                break;
        }
        writeNotifier_->setEnabled(false);
    }
    if (Canceled) {
        Canceled = false;
        throw EAbortError(kSocketSendAborted);
    }
}

void TSocketConnection::Write(const QByteArray &text)
{
    ReportStatus(8, "Write");
    if (text.size() >= kBufferSize)
        throw ERangeError();
    std::memcpy(Buffer, text.constData(), size_t(text.size()));
    Buffer[text.size()] = '\0';
    SendBuffer(Buffer, 0);
}

void TSocketConnection::Writeln(const QByteArray &text)
{
    ReportStatus(8, "Writeln");
    Write(text + "\r\n");
}

void TSocketConnection::SendFile(const QByteArray &path)
{
    ReportStatus(8, "SendFile");
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError::CannotOpen(QString::fromUtf8(path), file.errorString());
    while (!Canceled && file.pos() < file.size()) {
        const qint64 count = file.read(Buffer, kBufferSize);
        if (count <= 0)
            throw EInOutError(file.errorString());
        qsizetype remaining = count;
        while (remaining > 0 && !Canceled) {
            const qsizetype before = remaining;
            if (!SendSome(Buffer + (count - remaining), remaining, &BytesSent))
                break;
            if (remaining < before && OnPacketSent)
                OnPacketSent(this);
        }
    }
    writeNotifier_->setEnabled(false);
    if (Canceled) {
        Canceled = false;
        throw EAbortError(kSocketSendAborted);
    }
}

// Held bytes answer at once; else one receive, whose bytes are held for
// the next read.
bool TSocketConnection::DataAvailable()
{
    ReportStatus(8, "Data Available");
    try {
        return HeldCount() > 0 || Receive(Buffer, kBufferSize, true) > 0;
    } catch (const ESockError &) {
        return false;  // the next read meets the failure
    }
}

// Moves the held bytes up to and including the first line end onto line:
// true when the line end was among them. Without one all of them go, as
// they all belong to the line.
bool TSocketConnection::TakeHeldLine(QByteArray &line)
{
    const qsizetype count = HeldCount();
    if (count == 0)
        return false;
    const char *held = held_.constData() + heldBegin_;
    const void *lf = std::memchr(held, '\n', size_t(count));
    const qsizetype taken = lf ? static_cast<const char *>(lf) - held + 1 : count;
    line.append(held, taken);
    DropHeldBytes(taken);
    return lf != nullptr;
}

// A failed receive: true when it ends the loop (not connected any more),
// false to go on; other errors are raised.
bool TSocketConnection::ReceiveBlockFailed(int error)
{
    if (WouldBlock(error)) {
        WaitToReceive();
        return false;
    }
    if (error == EINTR)
        return false;
    LastError = WsaCodeFromErrno(error);
    if (LastError == WsaNumber(WsaCode::NotConnected))
        return true;
    errno = error;
    CheckSocketError(WsaCode::WouldBlock);
    return false;
}

// Takes the line from the held bytes. When its end is not among them, one
// receive brings what has arrived (usually the whole header block, often
// the body too) and holds it: the further lines, and the start of the body
// for the capture, then cost no system call. A line is never longer than
// Buffer: each receive stays within the room the line leaves.
QByteArray TSocketConnection::ReadLn()
{
    ReportStatus(8, "ReadLn");
    QByteArray line;
    TimerScope timer(*this);
    ReadingScope reading(*this);
    LowSpeedScope lowSpeed(*this);
    while (!Canceled) {
        if (TakeHeldLine(line))
            return line;
        const qsizetype room = kBufferSize - line.size();
        if (room <= 0)
            throw ERangeError();  // a line longer than the buffer
        const ssize_t n = Receive(Buffer, size_t(room), true);
        if (n == 0)
            return line;  // the peer has closed: what came before the close
        if (n > 0) {
            peerBytes_ += n;  // nothing was held: all of it came from the peer
            readReported_ = false;
            continue;
        }
        if (ReceiveBlockFailed(errno))
            break;
    }
    if (Canceled) {
        Canceled = false;
        throw EAbortError(QStringLiteral("Socket readln aborted"));
    }
    throw ERangeError();  // the socket was closed under the running ReadLn
}

QByteArray TSocketConnection::Transaction(const QByteArray &command)
{
    ReportStatus(8, "Transaction");
    ReplyNumber = 0;
    Writeln(command);
    LastReply = ReadLn();
    if (LastReply.isEmpty())
        return LastReply;
    ReportStatus(1, LastReply);
    qsizetype digits = 0;
    while (digits < 10 && digits < LastReply.size() && LastReply[digits] >= '0'
           && LastReply[digits] <= '9')
        ++digits;
    if (digits > 0) {
        const qint64 value = LastReply.left(digits).toLongLong();
        const qint64 number = value > INT32_MAX ? 0 : value;
        if (number > 32767)
            throw ERangeError();
        ReplyNumber = qint16(number);
    }
    return LastReply;
}

void TSocketConnection::CaptureBlocks(const std::function<void(const char *, qsizetype)> &take,
                                      const std::function<qsizetype()> &wanted)
{
    ReadingScope reading(*this);
    LowSpeedScope lowSpeed(*this);
    for (qsizetype size = 0; !Canceled && (size = qMin<qsizetype>(wanted(), kBufferSize)) > 0;) {
        const bool fromPeer = HeldCount() == 0;  // held bytes were counted as they came
        TRateGrant grant(RateLimiter.get(), size, TRateLimiter::kReadSlice);
        if (grant.Bytes() == 0) {
            WaitForRate();
            continue;
        }
        const ssize_t n = Receive(Buffer, size_t(grant.Bytes()), false);
        grant.Used(n);
        if (n > 0) {
            if (fromPeer)
                peerBytes_ += n;
            readReported_ = false;
            take(Buffer, n);
            BytesRecvd += n;
            if (OnPacketRecvd)
                OnPacketRecvd(this);
            TimerOn();
            net::PumpEvents(net::PumpMode::PendingOnly);
            CheckLowSpeed();
            continue;
        }
        if (n == 0) {
            RequestCloseSocket();  // the peer's close, noticed while reading
            break;
        }
        if (ReceiveBlockFailed(errno))
            break;
    }
    readNotifier_->setEnabled(false);
}

// The speed cap held the read back for a while: this thread's events turn
// (a cancel, a Stop), and the silence does not count as the server's.
void TSocketConnection::WaitForRate()
{
    TimerOn();
    net::PumpEvents(net::PumpMode::PendingOnly);
}

void TSocketConnection::CaptureFile(const QByteArray &path, qint64 limit)
{
    ReportStatus(8, "CaptureFile");
    BytesRecvd = 0;
    TimerScope timer(*this);
    TCaptureFile file(path, CreateNewFiles);
    CaptureBlocks([&file](const char *data, qsizetype size) { file.Write(data, size); },
                  [&]() -> qsizetype {
                      return limit < 0 ? kBufferSize : qsizetype(qMin<qint64>(limit - BytesRecvd, kBufferSize));
                  });
    file.Close();
    if (Canceled) {
        Canceled = false;
        throw EAbortError(kSocketSendAborted);
    }
}

void TSocketConnection::CaptureString(QByteArray &text, qint32 limit)
{
    ReportStatus(8, "Capture String");
    text.clear();
    BytesRecvd = 0;
    TimerScope timer(*this);
    CaptureBlocks([&text](const char *data, qsizetype size) { text.append(data, size); },
                  [&]() -> qsizetype { return limit == -1 || text.size() < limit ? kBufferSize : 0; });
    if (Canceled) {
        Canceled = false;
        throw EAbortError(QStringLiteral("Socket capture aborted"));
    }
}
