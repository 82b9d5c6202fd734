// Loading a page: Load page, Enter in the address box, the hidden local
// file scan, and the address history with its file "dl.ini". The page is
// asked for with the scheme its label shows; https pages keep their
// "https://" in the history. The history keeps the address as typed; after
// the load the box shows the address that finally answered (after
// redirects), which is the base of the page's links. A load that fails
// says why as the last log line and in a message.
#include "gui/dialogs.h"
#include "gui/window_state.h"
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "gui/panel_status_bar.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "base/errors.h"
#include "core/scan/address_helpers.h"
#include "core/scan/address_history.h"
#include "core/scan/link_scanner.h"
#include "core/scan/page_loader.h"
#include "core/scan/page_walk.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>

QByteArray TDLForm::AddressBytes() const
{
    return Combo1->currentText().toUtf8();
}

TPageRequest TDLForm::PageRequest(TFind find) const
{
    TPageRequest request;
    request.address = Combo1->currentText();
    request.prefix = AddressPrefix();
    request.find = find;
    request.modern = CheckBox7->isChecked();
    request.typeFilter = TypeFilterIndex;
    request.english = EnglishUI != 0;
    request.listed = List2->Count();
    return request;
}

void TDLForm::Button2Click()
{
    PageLoaded = false;
    Timer1->stop();
    HideBatchEnd();  // the last batch's failed files: a new page, a new list
    DisconnectAndEmpty();
    if (Combo1->currentText().isEmpty() || !ReadCookiesForLoad())
        return;
    PokaziStevilko(6);
    Status1->SetPanelText(2, QString());
    TakeAddressScheme();
    TPageRequest request = PageRequest(FindChoice());
    request.referer = CheckBox3->isChecked() ? Edit11->text().toUtf8() : AddressPrefix() + AddressBytes();
    if (!Batch.PaceRequest(AddressPrefix() + AddressBytes(), Settings->Values().wait))
        return;  // Stop or Disconnect while it waited
    TPageResult result = LoadPage(request);
    if (result.outcome == TPageOutcome::Abandoned)
        return;
    PageWalk->Follow(request, result, Settings->Values().pages);
    PageLoaded = result.outcome == TPageOutcome::Loaded;
    ShowPageLinks(result);
    OdstraniDuplikatneVrstice(List2);
    Label10->setText(QString::number(List2->Count()));
    ReportPageFailure(result);
    // The next step is picking links: the focus goes to them, or stays in
    // the address box when there are none.
    if (List2->Count() > 0)
        List2->setFocus(Qt::OtherFocusReason);
    else
        Combo1->setFocus(Qt::OtherFocusReason);
}

// Enter in the address box is Load page: the old list goes, the new page's
// links replace it, the count follows.
void TDLForm::Combo1KeyUp(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    if (Combo1->currentText().isEmpty())
        return;
    Button2Click();
}

// The loader asks for the page and scans it. A failure that ends the
// command at once is told here; otherwise the page (none after a failure:
// the previous page's text must not be scanned against the new address),
// the history and the address that answered are shown, and List1 holds the
// values found.
TPageResult TDLForm::LoadPage(TPageRequest request)
{
    TPageResult result = PageLoader->Load(request);
    if (result.outcome == TPageOutcome::Abandoned) {
        ReportAbandonedLoad(result);
        return result;
    }
    Memo2 = result.page;
    RecordTypedAddress(result);
    SplitPageAddress();
    // Whatever joined the link list while the page came counts as listed.
    if (List2->Count() != request.listed) {
        request.listed = List2->Count();
        TPageLoader::Scan(request, result);
    }
    List1 = result.rawLinks;
    return result;
}

// The links found join List2; when it stays empty: the log line, step 1
// and Disconnect.
void TDLForm::ShowPageLinks(const TPageResult &result)
{
    List2->AddItems(result.links);
    if (result.nothingFound) {
        Log(NoFilesFoundMessage(EnglishUI != 0));
        PokaziStevilko(1);
        DisconnectAndEmpty();
    }
}

// The address as typed joins the history; the window then shows the
// address that finally answered, which is the base of the page's links and
// the referer of its files.
void TDLForm::RecordTypedAddress(const TPageResult &result)
{
    if (result.outcome != TPageOutcome::Loaded)
        return;  // an address that gave no page is no history
    AddToHistory();
    SaveHistory();
    SetAddressPrefix(result.finalPrefix);
    Combo1->setEditText(result.finalAddress);
}

// A failure that ends the command before anything is recorded: the log's
// last line, the status bar and a message say it; the step goes back to 1.
// A Stop during the host look-up only says so in a message.
void TDLForm::ReportAbandonedLoad(const TPageResult &result)
{
    if (result.report == TPageFailureReport::UserAbort) {
        Dialogs().Message(result.failure);
        PokaziStevilko(1);
        return;
    }
    Log(result.failure);
    ShowNewestLogLine();
    PokaziStevilko(1);
    Dialogs().Message(result.failure);
}

// The failure of the load just ended, if it had one the user should know
// of: the last log line and a message. A list download goes on to its next
// page: a box for each page that failed would stop it until someone clicks.
void TDLForm::ReportPageFailure(const TPageResult &result)
{
    if (result.report != TPageFailureReport::AfterScan)
        return;
    Log(result.failure);
    ShowNewestLogLine();
    if (!ListRunning)
        Dialogs().Message(result.failure);
}

void TDLForm::Button3Click()
{
    PokaziStevilko(3);
    QFile page(QStringLiteral("test.html"));
    if (!page.open(QIODevice::ReadOnly))
        throw EFOpenError::CannotOpen(page.fileName(), page.errorString());
    Memo2 = page.readAll();
    SplitPageAddress();
    ObdelajHTML();
    ObdelajPovezave();
}

void TDLForm::Combo1Change()
{
    PokaziStevilko(2);
}

// Clear history: after a Yes only, the list and "dl.ini" go; the box keeps
// its text.
void TDLForm::Button5Click()
{
    if (Dialogs().Ask(Wording("Počistim zgodovino naslovov?", "Clear the address history?"))
        != DialogInterface::Answer::Yes)
        return;
    Combo1->blockSignals(true);
    const QString text = Combo1->currentText();
    Combo1->clear();
    Combo1->setEditText(text);
    Combo1->blockSignals(false);
    if (!QFile::remove(AddressHistoryFile()))
        Dialogs().Error(QStringLiteral("Ni mi uspelo, fajl je najbrž uporabljan!\r"
                                       "I did not succeed - file is in use!"));
}

// The box's address first in the list, once; the box keeps its text (a
// first entry would otherwise become it, with its "https://").
void TDLForm::AddToHistory()
{
    const QString text = Combo1->currentText();
    QStringList entries;
    for (int i = 0; i < Combo1->count(); ++i)
        entries << Combo1->itemText(i);
    const QSignalBlocker quiet(Combo1);
    Combo1->clear();
    Combo1->addItems(AddHistoryEntry(entries, AddressPrefix(), text));
    Combo1->setEditText(text);
}

void TDLForm::SaveHistory()
{
    QStringList entries;
    for (int i = 0; i < Combo1->count(); ++i)
        entries << Combo1->itemText(i);
    WriteAddressHistory(AddressHistoryFile(), entries);
}

// The history, newest first; an empty box shows the last address loaded.
void TDLForm::LoadHistory()
{
    const QString text = Combo1->currentText();
    const QStringList entries = ReadAddressHistory(AddressHistoryFile());
    Combo1->addItems(entries);
    Combo1->setEditText(text.isEmpty() && !entries.isEmpty() ? entries.first() : text);
}
