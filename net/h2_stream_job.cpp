#include "net/h2_stream_job.h"

#include "base/errors.h"
#include "net/capture_file.h"
#include "net/cookie_jar.h"
#include "net/h2_errors.h"
#include "net/response_header.h"
#include "net/socket_errors.h"

#include <QDateTime>
#include <utility>

namespace {

// Raised by Head for a redirect: the session resets the stream and ends it
// Failed with this, which the job reads as "ask again over HTTP/1.x".
struct TRedirectOnStream {};

struct TReason {
    int Status;
    const char *Phrase;
};

// RFC 9110, section 15 (with 421 and 422 of the same document).
constexpr TReason kReasons[] = {
    {100, "Continue"}, {101, "Switching Protocols"},
    {200, "OK"}, {201, "Created"}, {202, "Accepted"}, {203, "Non-Authoritative Information"},
    {204, "No Content"}, {205, "Reset Content"}, {206, "Partial Content"},
    {300, "Multiple Choices"}, {301, "Moved Permanently"}, {302, "Found"}, {303, "See Other"},
    {304, "Not Modified"}, {305, "Use Proxy"}, {307, "Temporary Redirect"}, {308, "Permanent Redirect"},
    {400, "Bad Request"}, {401, "Unauthorized"}, {402, "Payment Required"}, {403, "Forbidden"},
    {404, "Not Found"}, {405, "Method Not Allowed"}, {406, "Not Acceptable"},
    {407, "Proxy Authentication Required"}, {408, "Request Timeout"}, {409, "Conflict"}, {410, "Gone"},
    {411, "Length Required"}, {412, "Precondition Failed"}, {413, "Content Too Large"},
    {414, "URI Too Long"}, {415, "Unsupported Media Type"}, {416, "Range Not Satisfiable"},
    {417, "Expectation Failed"}, {421, "Misdirected Request"}, {422, "Unprocessable Content"},
    {426, "Upgrade Required"},
    {500, "Internal Server Error"}, {501, "Not Implemented"}, {502, "Bad Gateway"},
    {503, "Service Unavailable"}, {504, "Gateway Timeout"}, {505, "HTTP Version Not Supported"},
};

bool IsRedirect(int status)
{
    return status >= 300 && status <= 399;
}

}  // namespace

QByteArray HttpReasonPhrase(int status)
{
    for (const TReason &reason : kReasons)
        if (reason.Status == status)
            return reason.Phrase;
    return {};
}

QByteArray H2StatusLine(int status)
{
    QByteArray line = "HTTP/2 " + QByteArray::number(status).rightJustified(3, '0');
    const QByteArray phrase = HttpReasonPhrase(status);
    return phrase.isEmpty() ? line : line + ' ' + phrase;
}

TH2StreamJob::TH2StreamJob(int slot, quint64 number, QByteArray url, QByteArray file, qint32 timeOut,
                           std::shared_ptr<TCookieJar> cookieJar, TH2SlotCounters &counters,
                           std::function<void(TH2StreamJob &)> ended)
    : Slot(slot), Number(number), TimeOut(timeOut), url_(std::move(url)), file_(std::move(file)),
      cookieJar_(std::move(cookieJar)), counters_(counters), ended_(std::move(ended))
{
    silence_.start();
}

TH2StreamJob::~TH2StreamJob() = default;

void TH2StreamJob::SetTarget(const QByteArray &host, const QByteArray &path)
{
    host_ = host;
    path_ = path;
}

// The session's block begins "HTTP/2 404\r\n": its first line gets the
// reason phrase, the rest is read as THttpClient::ReadHeader reads it.
void TH2StreamJob::Head(int status, const QByteArray &headerBlock)
{
    RestartSilence();
    status_ = status;
    const qsizetype firstEnd = headerBlock.indexOf("\r\n");
    header_ = H2StatusLine(status) + (firstEnd < 0 ? QByteArray("\r\n\r\n") : headerBlock.mid(firstEnd));
    TakeHeaderLines(header_);
    counters_.ReplyNumber.store(status, std::memory_order_relaxed);
    counters_.BytesExpected.store(contentLength_, std::memory_order_relaxed);
    if (IsRedirect(status_) && !location_.trimmed().isEmpty())
        throw TRedirectOnStream{};
    // A redirect's body is not the file (as over HTTP/1.x): nothing is made.
    if (!IsRedirect(status_))
        capture_ = std::make_unique<TCaptureFile>(file_, TCaptureOpen::CreateNew);
}

void TH2StreamJob::TakeHeaderLines(const QByteArray &block)
{
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (QByteArray line : block.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const THeaderValue value = ParseHeaderLine(line);
        if (value.Field == THeaderField::SetCookie && cookieJar_)
            cookieJar_->TakeSetCookie(value.Text, host_, path_, now);
        else if (value.Field == THeaderField::Location)
            location_ = value.Text;
        else if (value.Field == THeaderField::ContentLength)
            contentLength_ = value.Length;
    }
}

void TH2StreamJob::Data(const char *data, qsizetype size)
{
    RestartSilence();
    if (capture_)
        capture_->Write(data, size);
    bytes_ += size;
    counters_.BytesReceived.store(bytes_, std::memory_order_relaxed);
}

void TH2StreamJob::Closed(const TH2StreamEnd &end)
{
    switch (end.Kind) {
    case TH2EndKind::Whole:
        try {
            if (capture_)
                capture_->Close();
        } catch (...) {
            Finish(std::current_exception(), {});
            return;
        }
        Finish(nullptr, {});
        return;
    case TH2EndKind::BrokenOff:
    case TH2EndKind::ResetByPeer:
    case TH2EndKind::ConnectionError:
        FinishBrokenOff(end.Text);
        return;
    case TH2EndKind::NotProcessed:
        FinishBrokenOff(end.Text.isEmpty() ? QString(kH2NoNewStream) : end.Text);
        return;
    case TH2EndKind::Canceled:
        if (ResetMeaning == TResetMeaning::ConnectionLost)
            FinishBrokenOff(QString(kH2ConnectionEnded));
        else
            EndCanceled();
        return;
    case TH2EndKind::Failed:
        try {
            std::rethrow_exception(end.Failure);
        } catch (const TRedirectOnStream &) {
            EndNotForStreams();
            return;
        } catch (...) {
        }
        Finish(end.Failure, {});
        return;
    }
}

void TH2StreamJob::EndUnstarted(std::exception_ptr error)
{
    Finish(std::move(error), {});
}

void TH2StreamJob::EndCanceled()
{
    timedOut_ = ResetMeaning == TResetMeaning::TimedOut;
    Finish(std::make_exception_ptr(timedOut_ ? ESockError(kConnectionTimedOut) : EAbortError(kConnectionCanceled)),
           {});
}

void TH2StreamJob::EndNotForStreams()
{
    Finish(nullptr, {TTransferFault::NotForStreams, {}, {}});
}

// The texts of a stream's end have no HTTP/1.x twin: they are the HTTP/2
// texts, in both languages, with the code the batch retries.
void TH2StreamJob::FinishBrokenOff(const QString &text)
{
    Finish(std::make_exception_ptr(EH2Error(text)),
           {TTransferFault::BrokenOff, H2FailureText(text, false), H2FailureText(text, true)});
}

// info.fault None with an error: classified as a client's error is.
void TH2StreamJob::Finish(std::exception_ptr error, TTransferFaultInfo info)
{
    if (!ended_)
        return;
    capture_.reset();  // a part written stays, as over HTTP/1.x
    TTransferResult &r = result_;
    r.Url = url_;
    r.File = file_;
    r.ReplyNumber = status_;
    r.Header = header_;
    r.StatusText = StatusLineText(header_);
    r.ContentLength = contentLength_;
    r.BytesRecvd = bytes_;
    r.TimedOut = timedOut_;
    r.FaultInfo = error && info.fault == TTransferFault::None ? ClassifyTransferFault(error, timedOut_, 0, 0) : info;
    r.Fault = r.FaultInfo.fault;
    r.Error = std::move(error);
    counters_.BytesReceived.store(bytes_, std::memory_order_relaxed);
    std::exchange(ended_, nullptr)(*this);
}
