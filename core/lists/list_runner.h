// The list download's walk: every page of the page list from a start
// index, each loaded with the scheme of its entry and the run's type
// filter, all its links saved under the page's folder prefix (PagePrefix),
// then the link list cleared. The walk asks a TListPages for the pages and
// the work; the window is one, a test's fake another.
#pragma once

#include "core/download/batch_progress.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// What the walk needs done. Calls come in this order for each page:
// LoadPage, (AbortRequested), SaveAllLinks, Clear.
class TListPages {
public:
    virtual ~TListPages() = default;
    // The page list as it stands now (entries may be deleted during the run).
    virtual qsizetype PageCount() const = 0;
    virtual QByteArray Page(qsizetype i) const = 0;
    // The type filter of the run, asked afresh for each page.
    virtual int RunFilter() const = 0;
    // Abort all has been asked for.
    virtual bool AbortRequested() const = 0;
    // Loads the page at this address (as listed, any scheme in front of it
    // included) with this scheme prefix and filter; its links join the link list.
    virtual void LoadPage(const QByteArray &prefix, const QByteArray &address, int filter) = 0;
    // Saves every link of the link list with this file name prefix.
    virtual void SaveAllLinks(const QString &folderPrefix) = 0;
    // Empties the link list.
    virtual void Clear() = 0;
};

struct TListRunSummary {
    qsizetype loaded = 0;   // pages asked for
    qsizetype saved = 0;    // pages whose links were saved
    bool aborted = false;   // Abort all ended the walk
};

class TListRunner {
public:
    explicit TListRunner(TListPages &pages) : pages_(pages) {}
    // Walks from entry start (below 0: from the first) to the end of the
    // list as it stood when the walk began, never past the list as it stands.
    // Abort all before a page ends the walk; during a page's load, the page
    // is cleared and nothing of it is saved.
    TListRunSummary Run(qsizetype start);

private:
    bool SavePage(qsizetype i, TListRunSummary &summary);

    TListPages &pages_;
};

// The one summary of a list download, over all its pages: "List download
// finished. 5 pages, 1 not loaded. 12 saved, 1 failed.", then shorter
// forms for a narrow status panel ("interrupted" after Abort all or Stop).
QStringList ListEndChoices(const TBatchTally &totals, qsizetype pages, qsizetype pagesFailed, bool interrupted,
                           bool english);
