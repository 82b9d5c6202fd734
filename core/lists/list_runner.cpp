// The list download's walk over the page list.
#include "core/lists/list_runner.h"

#include "core/lists/numbering.h"
#include "core/scan/address_helpers.h"

TListRunSummary TListRunner::Run(qsizetype start)
{
    TListRunSummary summary;
    const qsizetype n = pages_.PageCount();
    // Entries deleted during the run shorten the walk: it never reads past
    // the list as it stands now.
    for (qsizetype i = qMax<qsizetype>(0, start); i < n && i < pages_.PageCount(); ++i) {
        if (pages_.AbortRequested() || !SavePage(i, summary)) {
            summary.aborted = true;
            break;
        }
    }
    return summary;
}

// One entry of the run. False when Abort all came during the page load:
// then nothing of that page is saved.
bool TListRunner::SavePage(qsizetype i, TListRunSummary &summary)
{
    const int filter = pages_.RunFilter();
    const QByteArray entry = pages_.Page(i);
    // An entry without a scheme is an http page.
    pages_.LoadPage(ListEntryPrefix(entry), entry, filter);
    ++summary.loaded;
    if (pages_.AbortRequested()) {
        pages_.Clear();
        return false;
    }
    pages_.SaveAllLinks(PagePrefix(i));
    pages_.Clear();
    ++summary.saved;
    return true;
}

QStringList ListEndChoices(const TBatchTally &totals, qsizetype pages, qsizetype pagesFailed, bool interrupted,
                           bool english)
{
    QString whole = interrupted ? (english ? QStringLiteral("List download interrupted.")
                                           : QStringLiteral("Prenos po seznamu prekinjen."))
                                : (english ? QStringLiteral("List download finished.")
                                           : QStringLiteral("Prenos po seznamu končan."));
    QString pageCount = english ? QStringLiteral("%1 pages").arg(pages) : QStringLiteral("Strani: %1").arg(pages);
    if (pagesFailed > 0)
        pageCount += english ? QStringLiteral(", %1 not loaded").arg(pagesFailed)
                             : QStringLiteral(", nenaloženih: %1").arg(pagesFailed);
    const QString counts = TallyText(totals, english) + u'.';
    return {whole + u' ' + pageCount + QStringLiteral(". ") + counts, pageCount + QStringLiteral(". ") + counts,
            counts};
}
