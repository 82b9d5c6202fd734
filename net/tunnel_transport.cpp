#include "net/tunnel_transport.h"

#include "base/errors.h"
#include "net/http_client.h"
#include "net/response_header.h"
#include "net/socket_errors.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

// The longest line of the answer, as for every line the connection reads.
constexpr qsizetype kLongestLine = 65536;

}  // namespace

QByteArray TTunnelTransport::RequestFor(const QByteArray &host, qint32 port)
{
    const QByteArray target = host + ':' + QByteArray::number(port);
    for (const char c : target) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            throw ESockError(kProxyRefusedTunnel + QStringLiteral("(not asked: the host name holds blanks or control characters)"));
    }
    return "CONNECT " + target + " HTTP/1.0\r\nHost: " + target + "\r\n\r\n";
}

TTunnelTransport::TTunnelTransport(std::unique_ptr<TTransport> below, const QByteArray &request)
    : below_(std::move(below)), request_(request)
{
}

// A call below that could not go on: false, with what to wait for or the
// failure.
bool TTunnelTransport::Stopped(qsizetype result)
{
    want_ = below_->Want();
    error_ = result < 0 && want_ == TWant::None && errno != EINTR ? errno : 0;
    return false;
}

bool TTunnelTransport::Open()
{
    error_ = 0;
    want_ = TWant::None;
    if (open_)
        return true;
    if (Asking()) {
        while (Asking()) {
            const qsizetype n = below_->Send(request_.constData() + sent_, request_.size() - sent_, false);
            if (n < 0)
                return Stopped(n);
            // 0: the proxy takes nothing more; its answer (or end) tells.
            sent_ = n == 0 ? request_.size() : sent_ + n;
        }
        return false;  // the request is out: the answer next
    }
    if (!AnswerEnded())
        return false;
    open_ = true;
    const int number = StatusNumberOf(status_);
    if (number < 200 || number > 299)
        throw ESockError(kProxyRefusedTunnel + QString::fromLatin1(status_.trimmed().left(200)));
    return true;
}

// The status line, then header lines up to the one that ends the block (or
// the empty line of the proxy's close): true once that is read.
bool TTunnelTransport::AnswerEnded()
{
    QByteArray line;
    while (NextLine(line)) {
        if (lines_ == 1)
            status_ = line;
        if (line.isEmpty() || (lines_ > 1 && EndsHeaderBlock(line)))
            return true;
        line.clear();
    }
    return false;
}

// The next line of the answer, counted as it begins: false while it must
// wait for bytes. At the proxy's end the line is what came before it.
bool TTunnelTransport::NextLine(QByteArray &line)
{
    if (!lineBegun_) {
        if (++lines_ > THttpClient::kMaxHeaderLines)
            throw ESockError(kHeaderBlockTooLong);
        lineBegun_ = true;
    }
    while (!TakeLine(line)) {
        if (peerEnded_) {
            line = std::exchange(answer_, {});
            break;
        }
        if (answer_.size() >= kLongestLine)
            throw ERangeError();
        char block[4096];
        const qsizetype n = below_->Receive(block, qMin<qsizetype>(sizeof block, kLongestLine - answer_.size()));
        if (n < 0)
            return Stopped(n);
        received_ += n;
        peerEnded_ = n == 0;
        answer_.append(block, n);
    }
    lineBegun_ = false;
    return true;
}

// The first line of answer_ with its line end, when it is there.
bool TTunnelTransport::TakeLine(QByteArray &line)
{
    const qsizetype lf = answer_.indexOf('\n');
    if (lf < 0 || lf >= kLongestLine)
        return false;
    line = answer_.left(lf + 1);
    answer_.remove(0, lf + 1);
    return true;
}

QByteArray TTunnelTransport::TakeExtra()
{
    return std::exchange(answer_, {});
}

qsizetype TTunnelTransport::Receive(char *into, qsizetype size)
{
    return below_->Receive(into, size);
}

qsizetype TTunnelTransport::Send(const char *data, qsizetype size, bool more)
{
    return below_->Send(data, size, more);
}

void TTunnelTransport::Close(bool notifyPeer)
{
    below_->Close(notifyPeer);
}

TWant TTunnelTransport::Want() const
{
    return open_ ? below_->Want() : want_;
}

int TTunnelTransport::Handle() const
{
    return below_->Handle();
}

QByteArray TTunnelTransport::Protocol() const
{
    return below_->Protocol();
}

bool TTunnelTransport::UncleanEnd() const
{
    return below_->UncleanEnd();
}
