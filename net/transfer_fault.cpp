#include "net/transfer_fault.h"

#include "base/errors.h"
#include "net/answer_errors.h"
#include "net/http_client.h"
#include "net/resume_errors.h"
#include "net/socket_errors.h"
#include "net/tls_errors.h"

#include <optional>

namespace {
TTransferFaultInfo Both(TTransferFault fault, const QString &text, const QString &english)
{
    return {fault, text, english};
}

TTransferFaultInfo Same(TTransferFault fault, const QString &text)
{
    return {fault, text, text};
}

// A canceled wait, a time-out or an address that stays wrong: no text of
// their own beyond the client's message.
std::optional<TTransferFaultInfo> StopOrTimeOut(const ESockError &e, bool timedOut)
{
    const QString &message = e.Message();
    const bool canceled = dynamic_cast<const EAbortError *>(&e) || message == kConnectionCanceled
                          || message == kHostLookupCanceled;
    if (message == kConnectionTimedOut || message == kHostLookupTimedOut || (canceled && timedOut))
        return Same(TTransferFault::TimedOut, message);
    if (canceled) {
        if (message == kSocketSendAborted)
            return Same(TTransferFault::SendAborted, message);
        if (message == kHostLookupCanceled)
            return Same(TTransferFault::LookupCanceled, message);
        return Same(TTransferFault::Canceled, message);
    }
    if (IsInvalidPortNumber(e))
        return Same(TTransferFault::InvalidPort, message);
    return std::nullopt;
}

TTransferFaultInfo SocketFault(const ESockError &e, bool timedOut, int lastError, qint32 lowSpeedTime)
{
    if (auto stop = StopOrTimeOut(e, timedOut))
        return *stop;
    if (const auto *resume = dynamic_cast<const EResumeError *>(&e))
        return Both(TTransferFault::Resume, ResumeProblemText(*resume, false), ResumeProblemText(*resume, true));
    const auto *tls = dynamic_cast<const ETlsError *>(&e);
    const bool brokenOff = IsBrokenOff(e);
    if (tls)
        return Both(brokenOff ? TTransferFault::BrokenOff : TTransferFault::Tls, TlsProblemText(*tls, false),
                    TlsProblemText(*tls, true));
    const TTransferFault fault = brokenOff ? TTransferFault::BrokenOff : TTransferFault::Other;
    // "Connection Failed" says no more; the connection kept the system's code.
    if (e.Message() == kConnectionFailed && lastError > 10000)
        return Same(fault, SocketErrorText(lastError));
    return Both(fault, AnswerFailureText(e, lowSpeedTime, false), AnswerFailureText(e, lowSpeedTime, true));
}
}  // namespace

TTransferFaultInfo ClassifyTransferFault(const std::exception_ptr &error, bool timedOut, int lastError,
                                         qint32 lowSpeedTime)
{
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const ESockError &e) {
        return SocketFault(e, timedOut, lastError, lowSpeedTime);
    } catch (const EInOutError &e) {
        return Same(TTransferFault::CannotWrite, e.Message());
    } catch (const EFCreateError &e) {
        return Same(TTransferFault::CannotCreate, e.Reason.isEmpty() ? e.Message() : e.Reason);
    } catch (const ERangeError &e) {
        return Same(TTransferFault::RangeCheck, e.Message());
    } catch (const Exception &e) {
        return Same(TTransferFault::Other, e.Message());
    } catch (...) {
        return {TTransferFault::Foreign, QString(), QString()};
    }
}

QByteArray StatusLineText(const QByteArray &headerBlock)
{
    qsizetype end = headerBlock.indexOf('\n');
    QByteArray line = headerBlock.left(end < 0 ? headerBlock.size() : end);
    while (line.endsWith('\r'))
        line.chop(1);
    const qsizetype blank = line.indexOf(' ');
    return blank < 0 ? line : line.mid(blank + 1).trimmed();
}

TPageFault ClassifyPageFault(const ESockError &e)
{
    const QString &message = e.Message();
    if (message == kHostLookupCanceled)
        return TPageFault::LookupCanceled;
    if (message == kHostLookupTimedOut)
        return TPageFault::LookupTimedOut;
    if (IsInvalidPortNumber(e))
        return TPageFault::InvalidPort;
    if (message == kPageTooLarge)
        return TPageFault::PageTooLarge;
    if (message == kConnectionCanceled)
        return TPageFault::ConnectCanceled;
    if (dynamic_cast<const ETlsError *>(&e))
        return TPageFault::Tls;
    // What the connect raises when the name gave no address.
    if (message == kHostLookupFailed || message == QLatin1String("Null Remote Address"))
        return TPageFault::HostNotFound;
    if (message == kConnectionTimedOut)
        return TPageFault::ConnectTimedOut;
    return TPageFault::Other;
}
