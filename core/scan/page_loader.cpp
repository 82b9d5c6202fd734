// The page load: the request's address asked for with the client given,
// its failures put into words in the request's language, and the page's
// links found by the link scanner (or the modern scan) on the final address.
#include "core/scan/page_loader.h"

#include "base/errors.h"
#include "core/scan/address_helpers.h"
#include "core/scan/link_scanner.h"
#include "core/scan/modern_scanner.h"
#include "net/answer_errors.h"
#include "net/http_client.h"
#include "net/socket_errors.h"
#include "net/tls_errors.h"
#include "net/transfer_fault.h"

QString PageLoadFailureText(const QString &reason, bool english)
{
    return (english ? QStringLiteral("The page could not be loaded: %1")
                    : QString::fromUtf8("Strani ni bilo mogoče naložiti: %1")).arg(reason);
}

PageLocation PageLocationOf(const QString &address, const QByteArray &prefix, const QByteArray &page,
                            bool modern)
{
    const SchemedAddress schemed = TakeScheme(address, prefix);
    const AddressParts parts = SplitAddress(schemed.rest.toUtf8());
    PageLocation location{parts.host, parts.path, schemed.prefix.chopped(3)};
    // The modern scan resolved its values on the <base href> as it collected
    // them (CollectModernLinkValues).
    if (!modern)
        location.base = PageBaseAddress(page, location);
    return location;
}

TPageLoader::TPageLoader(THttpClient &client, QObject *parent) : QObject(parent), client_(client), alive_(&client)
{
    WireClient();
}

TPageLoader::~TPageLoader()
{
    if (!alive_)
        return;
    client_.OnAboutToSend = nullptr;
    client_.OnHostResolved = nullptr;
    client_.OnConnect = nullptr;
    client_.OnConnectionFailed = nullptr;
    client_.OnInvalidHost = nullptr;
    client_.OnFailure = nullptr;
    client_.OnDisconnect = nullptr;
    client_.OnStatus = nullptr;
    client_.OnSuccess = nullptr;
}

QString TPageLoader::Say(const char *slovene, const char *english) const
{
    return QString::fromUtf8(request_.english ? english : slovene);
}

QString TPageLoader::SayEvent(const char *slovene, const char *english) const
{
    const bool inEnglish = language_ ? language_() : request_.english;
    return QString::fromUtf8(inEnglish ? english : slovene);
}

void TPageLoader::WireClient()
{
    client_.OnAboutToSend = [this](TSocketConnection *) { emit PageRequested(client_.URL); };
    client_.OnHostResolved = [this](TSocketConnection *) { emit HostResolved(SayEvent("Gostitelj najden.", "Host found.")); };
    client_.OnConnect = [this](TSocketConnection *) {
        emit Connected(SayEvent("Povezava uspešna.", "Connected successfully."));
    };
    client_.OnConnectionFailed = [this](TSocketConnection *) {
        emit ConnectionFailed(SayEvent("Povezava NEuspešna.", "Connect FAILED."));
    };
    client_.OnInvalidHost = [this](TSocketConnection *, bool &) {
        emit InvalidHost(SayEvent("Napačen naslov gostitelja.", "Wrong host name."));
    };
    client_.OnFailure = [this](THttpClient *, quint8) {
        emit Failure(SayEvent("Prišlo je do napake.", "Failure while transmitting."));
    };
    client_.OnDisconnect = [this](TSocketConnection *) {
        emit Disconnected(SayEvent("Povezava prekinjena.", "Connection closed."));
    };
    client_.OnStatus = [this](TSocketConnection *, const QByteArray &status) {
        emit StatusReceived(QStringLiteral("Status: ") + QString::fromUtf8(status));
    };
    client_.OnSuccess = [this](THttpClient *, quint8) {
        emit PageArrived(SayEvent("--- Stran naložena.", "--- Page loaded."));
    };
}

void TPageLoader::ConnectLog(QObject *context, const std::function<void(const QString &)> &log)
{
    for (auto signal : {&TPageLoader::HostResolved, &TPageLoader::Connected, &TPageLoader::ConnectionFailed,
                        &TPageLoader::InvalidHost, &TPageLoader::Failure, &TPageLoader::Disconnected,
                        &TPageLoader::StatusReceived, &TPageLoader::PageArrived})
        connect(this, signal, context, log);
}

TPageResult TPageLoader::Load(const TPageRequest &request)
{
    request_ = request;
    TPageResult result;
    result.finalPrefix = request.prefix;
    result.finalAddress = request.address;
    Fetch(result);
    if (result.outcome != TPageOutcome::Abandoned) {
        if (result.outcome == TPageOutcome::Loaded) {
            result.page = client_.Body;
            // The page's links resolve against the address that answered.
            if (const QByteArray prefix = SchemePrefixOf(client_.URL); !prefix.isEmpty()) {
                result.finalPrefix = prefix;
                result.finalAddress = QString::fromUtf8(client_.URL.mid(prefix.size()));
            }
        }
        Scan(request, result);
    }
    emit Finished(result);
    return result;
}

namespace {
QList<QByteArray> CollectValues(const QByteArray &page, LinkAttribute attribute, bool modern)
{
    if (modern)
        return CollectModernLinkValues(page, attribute);
    return attribute == LinkAttribute::ImgSrc ? ObdelajHTMLImg(page) : ObdelajHTML(page);
}
}  // namespace

void TPageLoader::Scan(const TPageRequest &request, TPageResult &result)
{
    // The responsive scan keeps its promise with links too: the pictures
    // only it finds come after the links.
    if (request.find == TFind::Links && request.modern)
        result.rawLinks = CollectModernLinksWithLazyPictures(result.page);
    else if (request.find != TFind::Embedded)
        result.rawLinks = CollectValues(result.page, LinkAttribute::Href, request.modern);
    if (request.find != TFind::Links)
        result.rawLinks += CollectValues(result.page, LinkAttribute::ImgSrc, request.modern);
    const PageLocation page = PageLocationOf(result.finalAddress, result.finalPrefix, result.page, request.modern);
    FilteredLinks found =
        request.modern ? FilterModernLinks(result.rawLinks, request.typeFilter, page, request.listed)
                       : ObdelajPovezave(result.rawLinks, request.typeFilter, page, request.listed);
    result.links = std::move(found.links);
    // A picture that is linked and embedded is one file.
    if (request.find == TFind::Both || (request.find == TFind::Links && request.modern))
        OdstraniDuplikatneVrstice(result.links);
    result.nothingFound = found.nothingFound;
}

// Asks for the page. A failure the user should know of is kept in the
// result, with how it is to be told.
void TPageLoader::Fetch(TPageResult &result)
{
    const auto fail = [&](TPageOutcome outcome, TPageFailureReport report, const QString &text) {
        result.outcome = outcome;
        result.report = report;
        result.failure = text;
    };
    if (request_.referer)
        client_.HeaderInfo.Referer = *request_.referer;
    const AddressCheck check = CheckPageAddress(request_.address.toUtf8());
    if (check.fault != AddressFault::None) {
        fail(TPageOutcome::Abandoned, TPageFailureReport::Abandon, LoadFailureText(UnusableAddressText(check)));
        return;
    }
    client_.ReplyNumber = 0;
    try {
        client_.Get(request_.prefix + request_.address.toUtf8());
    } catch (const EAbortError &) {
        // Stop or Disconnect: the events have told of it.
        if (client_.TimedOut)
            fail(TPageOutcome::Failed, TPageFailureReport::AfterScan,
                 LoadFailureText(Say("čas je potekel", "timed out")));
        else
            fail(TPageOutcome::Failed, TPageFailureReport::None, {});
        return;
    } catch (const ESockError &e) {
        FetchFailure(e, result);
        return;
    } catch (const EConvertError &e) {
        fail(TPageOutcome::Abandoned, TPageFailureReport::Abandon,
             LoadFailureText(UnusableAddressText({AddressFault::Other, e.Message().toUtf8()})));
        return;
    }
    // An error status that redirects did not mend is a failed load too.
    if (client_.ReplyNumber >= 400) {
        fail(TPageOutcome::Failed, TPageFailureReport::AfterScan,
             LoadFailureText(QString::fromUtf8(StatusLineText(client_.Header))));
        return;
    }
    result.outcome = TPageOutcome::Loaded;
}

void TPageLoader::FetchFailure(const ESockError &e, TPageResult &result)
{
    result.outcome = TPageOutcome::Abandoned;
    result.report = TPageFailureReport::Abandon;
    switch (ClassifyPageFault(e)) {
    case TPageFault::LookupCanceled:
        result.report = TPageFailureReport::UserAbort;
        result.failure = Say("Pritisnjena odpoved!", "User abort!");
        return;
    case TPageFault::LookupTimedOut:
        result.failure = Say("Ni mi uspelo dobiti strani (timeout).", "I couldn't download the page (timeout).");
        return;
    case TPageFault::InvalidPort:
    case TPageFault::PageTooLarge:
        result.failure = LoadFailureText(e.Message());
        return;
    case TPageFault::ConnectCanceled:
        // A Stop or Disconnect while connecting: the events have told of it.
        result.outcome = TPageOutcome::Failed;
        result.report = TPageFailureReport::None;
        return;
    default:
        result.outcome = TPageOutcome::Failed;
        result.report = TPageFailureReport::AfterScan;
        result.failure = LoadFailureText(FailureReason(e));
    }
}

// Why the page failed, in the request's language where the program knows
// the failure, else as the client said it.
QString TPageLoader::FailureReason(const ESockError &e) const
{
    switch (ClassifyPageFault(e)) {
    case TPageFault::Tls:
        return TlsProblemText(static_cast<const ETlsError &>(e), request_.english);
    case TPageFault::HostNotFound:
        return Say("gostitelja ni mogoče najti", "the host name was not found");
    case TPageFault::ConnectTimedOut:
        return Say("čas za povezavo je potekel", "the connection timed out");
    default:
        break;
    }
    if (client_.LastError == WsaNumber(WsaCode::ConnectionRefused))
        return Say("strežnik je zavrnil povezavo", "the server refused the connection");
    return AnswerFailureText(e, client_.LowSpeedTime, request_.english);
}

QString TPageLoader::LoadFailureText(const QString &reason) const
{
    return PageLoadFailureText(reason, request_.english);
}

// What is wrong with an address that cannot be asked for, in a sentence.
QString TPageLoader::UnusableAddressText(const AddressCheck &check) const
{
    const QString part = QString::fromUtf8(check.part);
    QString what;
    switch (check.fault) {
    case AddressFault::Scheme:
        what = Say("začne se z »%1« namesto s http:// ali https://",
                   "it starts with \"%1\" instead of http:// or https://").arg(part);
        break;
    case AddressFault::NoHost:
        what = Say("manjka ime gostitelja", "the host name is missing");
        break;
    case AddressFault::Port:
        what = part.isEmpty() ? Say("za »:« manjka številka vrat", "the port number after \":\" is missing")
                              : Say("vrata »%1« niso število", "the port \"%1\" is not a number").arg(part);
        break;
    case AddressFault::None:
    case AddressFault::Other:
        what = part;
        break;
    }
    // An address of another scheme is shown as typed, any other with the
    // scheme it would have been asked for.
    const QString shown = check.fault == AddressFault::Scheme
                              ? request_.address
                              : QString::fromLatin1(request_.prefix) + request_.address;
    return Say("»%1« ni veljaven naslov (%2)", "\"%1\" is not a valid address (%2)").arg(shown, what);
}
