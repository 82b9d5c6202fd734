// TSocketConnection: sending, reading lines, capturing into a string or a
// file, and the command/reply Transaction.
#include "net/socket_connection.h"

#include "base/errors.h"
#include "net/capture_file.h"
#include "net/event_pump.h"
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
    const ssize_t n = Send(data, size_t(remaining), MSG_NOSIGNAL | (moreToSend_ ? MSG_MORE : 0));
    if (n > 0) {
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
    ForgetLookAhead();
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
    ForgetLookAhead();
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

bool TSocketConnection::DataAvailable()
{
    ReportStatus(8, "Data Available");
    ForgetLookAhead();
    try {
        return Receive(Buffer, 1, true) == 1;
    } catch (const ESockError &) {
        return false;  // the next read meets the failure
    }
}

// Removes from the socket count bytes that the last look-ahead has seen,
// the first of Buffer[lookAheadBegin_, lookAheadEnd_), and appends them.
// They are received onto their own copy in Buffer, so the look-ahead's
// other bytes stay valid. Nothing beyond them leaves the socket.
void TSocketConnection::TakeLookedAhead(QByteArray &into, qsizetype count)
{
    while (count > 0) {
        char *at = Buffer + lookAheadBegin_;
        const ssize_t n = Receive(at, size_t(count), false);
        if (n > 0) {
            into.append(at, n);
            lookAheadBegin_ += n;
            count -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        ForgetLookAhead();
        if (n < 0)
            CheckSocketError(std::nullopt);
        return;
    }
    if (lookAheadBegin_ >= lookAheadEnd_)
        ForgetLookAhead();
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

// Finds the line end by looking ahead into the socket and removes exactly
// the bytes of the line: no received byte beyond the line is consumed. One
// look-ahead usually sees several lines (a whole response header); what it
// saw is remembered, so each further line found among those bytes costs
// one receive of exactly its bytes and no second look.
QByteArray TSocketConnection::ReadLn()
{
    ReportStatus(8, "ReadLn");
    QByteArray line;
    TimerScope timer(*this);
    ReadingScope reading(*this);
    while (!Canceled) {
        if (lookAheadBegin_ < lookAheadEnd_) {
            const char *seen = Buffer + lookAheadBegin_;
            const qsizetype count = lookAheadEnd_ - lookAheadBegin_;
            if (const void *lf = std::memchr(seen, '\n', size_t(count))) {
                TakeLookedAhead(line, static_cast<const char *>(lf) - seen + 1);
                return line;
            }
            TakeLookedAhead(line, count);  // all of it belongs to the line
            continue;
        }
        // The look-ahead stays inside Buffer: no more than the room left
        // after the bytes already taken.
        const qsizetype room = kBufferSize - line.size();
        if (room <= 0)
            throw ERangeError();  // a line longer than the buffer
        const ssize_t n = Receive(Buffer, size_t(room), true);
        if (n == 0)
            return line;  // the peer has closed: what came before the close
        if (n > 0) {
            readReported_ = false;
            lookAheadBegin_ = 0;
            lookAheadEnd_ = n;
            continue;
        }
        if (ReceiveBlockFailed(errno))
            break;
    }
    ForgetLookAhead();
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
    ForgetLookAhead();
    for (qsizetype size = 0; !Canceled && (size = qMin<qsizetype>(wanted(), kBufferSize)) > 0;) {
        const ssize_t n = Receive(Buffer, size_t(size), false);
        if (n > 0) {
            readReported_ = false;
            take(Buffer, n);
            BytesRecvd += n;
            if (OnPacketRecvd)
                OnPacketRecvd(this);
            TimerOn();
            net::PumpEvents(net::PumpMode::PendingOnly);
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
