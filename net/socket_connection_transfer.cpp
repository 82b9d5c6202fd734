// TSocketConnection: sending, reading lines, capturing into a string or a
// file, and the command/reply Transaction.
#include "net/socket_connection.h"

#include "app/errors.h"
#include "net/capture_file.h"
#include "net/event_pump.h"
#include "net/socket_errors.h"

#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class TimerScope {
public:
    explicit TimerScope(TSocketConnection &c) : c_(c) { c_.TimerOn(); }
    ~TimerScope() { c_.TimerOff(); }

private:
    TSocketConnection &c_;
};

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

}  // namespace

// One send call; waits (letting the time-out and Cancel in) when the send
// would block. Returns false when the peer takes nothing more.
bool TSocketConnection::SendSome(const char *data, qsizetype &remaining, qint64 *sentCounter)
{
    const ssize_t n = ::send(SocketHandle, data, size_t(remaining), MSG_NOSIGNAL);
    if (n > 0) {
        remaining -= n;
        if (sentCounter)
            *sentCounter += n;
        return true;
    }
    if (n == 0)
        return false;
    if (WouldBlock(errno))
        WaitWritable();
    else if (errno != EINTR)
        CheckSocketError(kWsaWouldBlock);
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
        throw EAbortError(QStringLiteral("Socket send aborted"));
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
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2")
                              .arg(QString::fromUtf8(path), file.errorString()));
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
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
}

bool TSocketConnection::DataAvailable()
{
    ReportStatus(8, "Data Available");
    return ::recv(SocketHandle, Buffer, 1, MSG_PEEK | MSG_DONTWAIT) == 1;
}

// Removes count bytes that a look-ahead has already seen.
void TSocketConnection::ConsumeFromSocket(QByteArray &into, qsizetype count)
{
    char *at = Buffer;
    while (count > 0) {
        const ssize_t n = ::recv(SocketHandle, at, size_t(count), 0);
        if (n == 0)
            return;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            CheckSocketError(0);
            return;
        }
        into.append(at, n);
        count -= n;
    }
}

// A failed receive: true when it ends the loop (not connected any more),
// false to go on; other errors are raised.
bool TSocketConnection::ReceiveBlockFailed(int error)
{
    if (WouldBlock(error)) {
        WaitReadable();
        return false;
    }
    if (error == EINTR)
        return false;
    LastError = WsaCodeFromErrno(error);
    if (LastError == kWsaNotConnected)
        return true;
    errno = error;
    CheckSocketError(kWsaWouldBlock);
    return false;
}

QByteArray TSocketConnection::ReadLn()
{
    ReportStatus(8, "ReadLn");
    QByteArray line;
    TimerScope timer(*this);
    while (!Canceled) {
        const qsizetype room = kBufferSize - line.size();
        if (room <= 0)
            throw ERangeError();  // a line longer than the buffer
        const ssize_t n = ::recv(SocketHandle, Buffer, size_t(room), MSG_PEEK);
        if (n == 0)
            return line;  // the peer has closed: what came before the close
        if (n > 0) {
            const void *lf = std::memchr(Buffer, '\n', size_t(n));
            if (lf) {
                ConsumeFromSocket(line, static_cast<const char *>(lf) - Buffer + 1);
                return line;
            }
            ConsumeFromSocket(line, n);
            continue;
        }
        if (ReceiveBlockFailed(errno))
            break;
    }
    readNotifier_->setEnabled(false);
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

void TSocketConnection::CaptureFile(const QByteArray &path)
{
    ReportStatus(8, "CaptureFile");
    BytesRecvd = 0;
    TimerScope timer(*this);
    TCaptureFile file(path);
    while (!Canceled) {
        const ssize_t n = ::recv(SocketHandle, Buffer, kBufferSize, 0);
        if (n > 0) {
            file.Write(Buffer, n);
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
    file.Close();
    if (Canceled) {
        Canceled = false;
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
}

void TSocketConnection::CaptureString(QByteArray &text, qint32 limit)
{
    ReportStatus(8, "Capture String");
    text.clear();
    BytesRecvd = 0;
    TimerScope timer(*this);
    while (!Canceled && (limit == -1 || text.size() < limit)) {
        const ssize_t n = ::recv(SocketHandle, Buffer, kBufferSize, 0);
        if (n > 0) {
            text.append(Buffer, n);
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
    if (Canceled) {
        Canceled = false;
        throw EAbortError(QStringLiteral("Socket capture aborted"));
    }
}
