// The walk over next pages: one page after another with the page loader.
#include "core/scan/page_walk.h"

#include "core/scan/address_helpers.h"
#include "core/scan/link_scanner.h"
#include "core/scan/next_page.h"

#include <QSet>

TPageWalk::TPageWalk(TPageLoader &loader, QObject *parent) : QObject(parent), loader_(loader) {}

QString TPageWalk::Say(const char *slovene, const char *english) const
{
    return QString::fromUtf8(english_ ? english : slovene);
}

int TPageWalk::Follow(const TPageRequest &request, TPageResult &first, int pages)
{
    stopped_ = false;
    english_ = request.english;
    if (first.outcome != TPageOutcome::Loaded)
        return 0;
    if (pages <= 1)
        return 1;
    const QByteArray firstAddress = first.finalPrefix + first.finalAddress.toUtf8();
    const QByteArray home = HostAndPortOf(firstAddress);
    QSet<QByteArray> seen{WithoutFragment(FullAddress(request.address, request.prefix)),
                          WithoutFragment(firstAddress)};
    TPageRequest nextRequest = request;
    QByteArray page = first.page;
    QByteArray pageAddress = firstAddress;
    int loaded = 1;
    while (loaded < pages && !stopped_) {
        const QByteArray address = NextPageAddress(page, pageAddress);
        if (address.isEmpty() || HostAndPortOf(address) != home || seen.contains(WithoutFragment(address)))
            break;
        seen.insert(WithoutFragment(address));
        emit LogLine(Say("Naslednja stran %1 od največ %2: %3", "Next page %1 of at most %2: %3")
                         .arg(loaded + 1)
                         .arg(pages)
                         .arg(QString::fromUtf8(address)));
        nextRequest.referer = pageAddress;
        nextRequest.listed = request.listed + first.links.size();
        TPageResult next;
        if (!LoadNext(address, nextRequest, next))
            break;
        ++loaded;
        first.links += next.links;
        page = next.page;
        pageAddress = next.finalPrefix + next.finalAddress.toUtf8();
        seen.insert(WithoutFragment(pageAddress));
    }
    OdstraniDuplikatneVrstice(first.links);
    first.nothingFound = first.links.isEmpty() && request.listed == 0;
    emit LogLine(Say("Naloženih strani: %1, najdenih povezav: %2.", "Pages loaded: %1, links found: %2.")
                     .arg(loaded)
                     .arg(first.links.size()));
    return loaded;
}

// One next page, after the wait for its host. False when it gave no page:
// its failure is logged (a Stop or Disconnect the log has told of already).
bool TPageWalk::LoadNext(const QByteArray &address, TPageRequest &request, TPageResult &page)
{
    if ((pace_ && !pace_(address)) || stopped_)
        return false;
    request.prefix = SchemePrefixOf(address);
    request.address = QString::fromUtf8(address.mid(request.prefix.size()));
    page = loader_.Load(request);
    if (page.outcome == TPageOutcome::Loaded)
        return true;
    if (page.report != TPageFailureReport::None && page.report != TPageFailureReport::UserAbort)
        emit LogLine(page.failure);
    return false;
}
