// Loading one page and scanning it for links, without a window: an address
// in, the final address, the page's links or the reason it failed out.
//
//   TPageLoader loader(client);          // a THttpClient it drives: the page client
//   connect(&loader, &TPageLoader::StatusReceived, ...);  // one log line each
//   const TPageResult result = loader.Load(request);      // also Finished(result)
//
// Load asks for the page with the client's Get, which waits by the nested
// event pumping (net/event_pump.h), so it returns when the page is in or the
// load has failed. The client's events come out as signals carrying their
// log line in the request's language, in the order the client fires them.
// The loader reads no control and no shared address: the page's location
// (host, folder, scheme, <base href>) is that of the final address.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include "net/http_client.h"

#include <functional>
#include <optional>

class ESockError;
struct AddressCheck;

// What a page is searched for: the links (href), the embedded pictures
// (img src), or both, in that order.
enum class TFind { Links = 0, Embedded = 1, Both = 2 };

struct TPageRequest {
    QString address;                 // as typed, without its scheme ("host/path/")
    QByteArray prefix = "http://";   // the scheme it is asked with: "http://" or "https://"
    // The client's Referer line for this load; without one the client keeps
    // the one it has.
    std::optional<QByteArray> referer;
    TFind find = TFind::Links;
    bool modern = false;             // the modern page scan
    int typeFilter = 0;              // the entry of the type filter in force
    bool english = false;            // the language of log lines and failure texts
    qsizetype listed = 0;            // links the link list holds already
};

enum class TPageOutcome {
    Loaded,     // the page came with a status below 400
    Failed,     // no page; the history and the scan go on (with an empty page)
    Abandoned,  // nothing is recorded or scanned; failure says why
};

// How the failure text is to be told.
enum class TPageFailureReport {
    None,       // no text: no failure, or a Stop or Disconnect the events told of
    AfterScan,  // once the scan has ended: the last log line and a message
                // (no message while a list download runs)
    Abandon,    // at once: the last log line, step 1 and a message
    UserAbort,  // at once: only a message ("User abort!") and step 1
};

struct TPageResult {
    TPageOutcome outcome = TPageOutcome::Failed;
    QByteArray finalPrefix;          // the scheme of the address that answered last
    QString finalAddress;            // and the address without it; when nothing answered,
                                     // the request's
    QByteArray page;                 // the page's bytes; empty unless Loaded
    QList<QByteArray> rawLinks;      // the values found, before the filter
    QList<QByteArray> links;         // resolved and admitted: to append to the link list
    bool nothingFound = false;       // the link list stays empty
    QString failure;
    TPageFailureReport report = TPageFailureReport::None;
};

class TPageLoader final : public QObject {
    Q_OBJECT
public:
    // Takes over the client's connection events (OnAboutToSend,
    // OnHostResolved, OnConnect, OnConnectionFailed, OnInvalidHost,
    // OnFailure, OnDisconnect, OnStatus, OnSuccess) while the loader lasts; the client must outlive every Load.
    explicit TPageLoader(THttpClient &client, QObject *parent = nullptr);
    ~TPageLoader() override;

    // Asks for the page and scans it; emits Finished with the same result.
    TPageResult Load(const TPageRequest &request);
    // Only the scan: the page's links as Load finds them for the result's
    // page at the result's final address, with the request's other choices
    // (to scan again when the link list has changed during the load).
    static void Scan(const TPageRequest &request, TPageResult &result);

    // The language of the event lines: by default the last request's; with
    // a source, what it says at each event (the client also has events
    // between loads, when it is stopped or disconnected).
    void FollowLanguage(std::function<bool()> english) { language_ = std::move(english); }

    // Connects every log signal below to one receiver of log lines.
    void ConnectLog(QObject *context, const std::function<void(const QString &)> &log);

signals:
    void HostResolved(const QString &line);
    void Connected(const QString &line);
    void ConnectionFailed(const QString &line);
    void InvalidHost(const QString &line);
    void Failure(const QString &line);
    void Disconnected(const QString &line);
    void StatusReceived(const QString &line);
    void PageArrived(const QString &line);
    // A request for the page is about to go to address (the first one, and
    // each redirect's): its connection is not made yet.
    void PageRequested(const QByteArray &address);
    void Finished(const TPageResult &result);

private:
    void WireClient();
    QString Say(const char *slovene, const char *english) const;
    QString SayEvent(const char *slovene, const char *english) const;
    void Fetch(TPageResult &result);
    void FetchFailure(const ESockError &e, TPageResult &result);
    QString FailureReason(const ESockError &e) const;
    QString LoadFailureText(const QString &reason) const;
    QString UnusableAddressText(const AddressCheck &check) const;

    THttpClient &client_;
    QPointer<THttpClient> alive_;  // to let go of the client's events, if it is still there
    TPageRequest request_;
    std::function<bool()> language_;
};

// "The page could not be loaded: <reason>", in either language.
QString PageLoadFailureText(const QString &reason, bool english);
// The location of a page shown as this address with this scheme prefix
// (an address with a scheme of its own keeps it): its scheme, host and
// folder, with its <base href> unless the modern scan resolves the links.
struct PageLocation;
PageLocation PageLocationOf(const QString &address, const QByteArray &prefix, const QByteArray &page,
                            bool modern);
