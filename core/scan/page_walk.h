// Following a page's next pages (next_page.h): after the first page has
// loaded and been scanned, its next page is loaded with the same choices,
// then that page's next, until the setting "pages" counts them all in. The
// links of every page form one list, in page order, each link once.
//
//   TPageWalk walk(loader);                      // the loader of the first page
//   walk.SetPace([&](const QByteArray &address) { runner.PaceRequest(address, wait); });
//   connect(&walk, &TPageWalk::LogLine, ...);    // one line per page followed
//   walk.Follow(request, result, pages);         // result.links gain the rest
//
// The walk ends with what it has at a page without a next page, a next page
// on another host than the first (or of another port), a page loaded before
// in this walk (addresses compared without their "#..." part), a page that
// fails to load (its failure is logged), and at Stop.
#pragma once

#include "core/scan/page_loader.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class TPageWalk final : public QObject {
    Q_OBJECT
public:
    explicit TPageWalk(TPageLoader &loader, QObject *parent = nullptr);

    // Called with each next page's full address before it is asked for: the
    // wait between two requests to one host. False: the wait was broken
    // off (Stop, Disconnect), and the walk ends.
    void SetPace(std::function<bool(const QByteArray &address)> pace) { pace_ = std::move(pace); }

    // The next pages of the first one (its request and the loader's result
    // for it), until pages in all have loaded; only after a first page that
    // loaded. The result's links gain theirs, without repeats, and it
    // finds nothing only when no page found anything. Gives the number of
    // pages loaded, the first included. With pages above 1 the last log line
    // counts the pages and links.
    int Follow(const TPageRequest &request, TPageResult &first, int pages);

    // Stop or Disconnect: no further page is asked for.
    void Stop() { stopped_ = true; }

signals:
    void LogLine(const QString &line);

private:
    bool LoadNext(const QByteArray &address, TPageRequest &request, TPageResult &page);
    QString Say(const char *slovene, const char *english) const;

    TPageLoader &loader_;
    std::function<bool(const QByteArray &)> pace_;
    bool stopped_ = false;
    bool english_ = false;
};
