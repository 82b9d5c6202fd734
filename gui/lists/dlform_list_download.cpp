// The List download: the page list from an index page or a folder page,
// and the run (TListRunner) that loads every page of the list and saves
// what it links to, pressing the Download zone's commands one after the other.
#include "base/convert.h"
#include "gui/window_state.h"
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "core/shared_state.h"
#include "core/lists/list_runner.h"
#include "core/scan/address_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

namespace {
constexpr int kFilterPages = 4;   // "*.htm, *.html"
constexpr int kFilterAll = 16;    // "*.*"

// Loads the page whose address is in Combo1 with one type filter and takes
// its links into List3. Whatever happens, the Download zone's filter is
// back on its first entry afterwards.
void TakePageLinks(TDLForm &form, int filter)
{
    struct FilterReset {
        TDLForm &form;
        ~FilterReset()
        {
            form.Combo2->setCurrentIndex(0);
            TypeFilterIndex = 0;
        }
    } reset{form};
    form.Combo2->setCurrentIndex(filter);
    TypeFilterIndex = filter;
    form.CheckBox5->setChecked(false);  // links, not embedded pictures
    form.List2->Clear();
    form.Button2Click();
    form.List3->AddItems(form.List2->Items());
    form.DisconnectAndEmpty();
}

// The List zone's address field without its scheme, which goes to its
// label Label8; a field without one keeps the label's. The Download zone,
// which loads the page, is given the same address and scheme.
void TakeListAddress(TDLForm &form)
{
    const SchemedAddress address = TakeScheme(form.Edit7->text(), form.Label8->text().toUtf8());
    form.Label8->setText(QString::fromLatin1(address.prefix));
    form.Edit7->setText(address.rest);
    form.SetAddressPrefix(address.prefix);
}

// The filter of the run: the one picked on the List download tab, or the
// Download zone's when that list has no choice.
int RunFilterIndex(const TDLForm &form)
{
    const int picked = form.Combo3->currentIndex();
    return picked >= 0 ? picked : form.Combo2->currentIndex();
}

// The window's side of the list walk: the page list List3, the Download
// zone's commands for each page, and Abort all.
class WindowListPages final : public TListPages {
public:
    explicit WindowListPages(TDLForm &f) : form(f) {}
    qsizetype PageCount() const override { return form.List3->Count(); }
    QByteArray Page(qsizetype i) const override { return form.List3->Item(i); }
    int RunFilter() const override { return RunFilterIndex(form); }
    bool AbortRequested() const override { return ListAbortRequested; }
    void LoadPage(const QByteArray &prefix, const QByteArray &address, int filter) override
    {
        TypeFilterIndex = filter;
        form.SetAddressPrefix(prefix);
        form.Combo1->setEditText(QString::fromUtf8(address));
        form.Button2Click();
        if (!form.PageLoaded)
            ++failedPages;
    }
    void SaveAllLinks(const QString &folderPrefix) override
    {
        form.SpeedButton3Click();
        form.Edit4->setText(folderPrefix);
        form.Button4Click();
    }
    void Clear() override { form.Button6Click(); }
    qsizetype failedPages = 0;  // pages that gave no page

private:
    TDLForm &form;
};

// ListRunning while the run lasts, however it ends; then the Download
// zone's own filter and its own folder prefix (Edit4, which each page's
// batch is given as "00-", "01-" ...) are in force again, and the batches
// no longer add up.
// The busy buttons follow.
struct RunningList {
    TDLForm &form;
    const QString prefix;
    explicit RunningList(TDLForm &f) : form(f), prefix(f.Edit4->text())
    {
        ListRunning = true;
        form.SumBatches = true;
        form.RunTotals = {};
        form.RunInterrupted = false;
        form.FailedFiles.clear();
        form.HideBatchEnd();
        form.ShowBusyState();
    }
    ~RunningList()
    {
        ListRunning = false;
        form.SumBatches = false;
        TypeFilterIndex = form.Combo2->currentIndex();
        form.Edit4->setText(prefix);
        form.ShowBusyState();
    }
};
}  // namespace

void TDLForm::Button13Click()
{
    if (Edit7->text().isEmpty())
        return;
    TakeListAddress(*this);
    Edit7->setText(DodajSlash(Edit7->text()));
    List3->Clear();
    Combo1->setEditText(Edit7->text());
    TakePageLinks(*this, kFilterPages);
    OdstraniDuplikatneVrstice(List3);
    PokaziSteviloStrani();
}

void TDLForm::Button15Click()
{
    List3->Clear();
    TakeListAddress(*this);
    Combo1->setEditText(Edit7->text());
    TakePageLinks(*this, kFilterAll);
    List3->SetSorted(true);
    QList<QByteArray> folders;
    for (const QByteArray &entry : List3->Items()) {
        if (entry.endsWith('/'))
            folders << entry;
    }
    if (folders.size() != List3->Count())
        List3->SetItems(std::move(folders));
    PokaziSteviloStrani();
}

void TDLForm::Button14Click()
{
    if (ListRunning) {
        // The run presses the Download zone's commands; a second run inside
        // it would fight the first over the same lists.
        Log(Wording("Prenos po seznamu že poteka.", "A list download is already running."));
        return;
    }
    RunningList running(*this);
    ListAbortRequested = false;
    PageControl1->setCurrentWidget(TabSheet1);
    const qint32 start = StrToInt(Edit9->text());  // below 0: from the first entry
    WindowListPages pages(*this);
    const TListRunSummary summary = TListRunner(pages).Run(start);
    // One summary for all the pages: the batches' tallies added up.
    SumBatches = false;
    if (ShuttingDown)
        return;
    ShowRunEnd(ListEndChoices(RunTotals, summary.loaded, pages.failedPages, summary.aborted || RunInterrupted,
                              EnglishUI == 1));
}

void TDLForm::Button16Click()
{
    ListAbortRequested = true;
    DisconnectAndEmpty();
}
