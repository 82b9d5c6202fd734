// Loading a page: Load page, Enter in the address box, the hidden local
// file scan, and the address history with its file "dl.ini". The page is
// asked for with the scheme its label shows; https pages keep their
// "https://" in the history. The history keeps the address as typed; after
// the load the box shows the address that finally answered (after
// redirects), which is the base of the page's links. A load that fails
// says why as the last log line and in a message.
#include "gui/dialogs.h"
#include "gui/dlform.h"
#include "gui/list_box.h"
#include "gui/panel_status_bar.h"
#include "gui/platform.h"
#include "core/shared_state.h"
#include "base/errors.h"
#include "base/line_file.h"
#include "base/text_lines.h"
#include "core/download/transfer_outcome.h"
#include "net/answer_errors.h"
#include "net/http_client.h"
#include "net/socket_errors.h"
#include "net/tls_errors.h"
#include "core/scan/address_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {
const char *const kHistoryFile = "dl.ini";
// What the client's connect raises when the host name was not found.
constexpr QLatin1StringView kNullRemoteAddress{"Null Remote Address"};

}  // namespace

QByteArray TDLForm::AddressBytes() const
{
    return Combo1->currentText().toUtf8();
}

void TDLForm::Button2Click()
{
    PageLoaded = false;
    Timer1->stop();
    Button1Click();
    if (Combo1->currentText().isEmpty())
        return;
    PokaziStevilko(6);
    Status1->SetPanelText(2, QString());
    TakeAddressScheme();
    HTTP1->HeaderInfo.Referer = CheckBox3->isChecked() ? Edit11->text().toUtf8() : AddressPrefix() + AddressBytes();
    const PageFetch fetched = FetchPage();
    if (fetched == PageFetch::Abandoned)
        return;
    PageLoaded = fetched == PageFetch::Loaded;
    // A failed load leaves no page: the previous page's text must not be
    // scanned against the new address.
    Memo2 = PageLoaded ? HTTP1->Body : QByteArray();
    RecordTypedAddress(PageLoaded);
    if (CheckBox5->isChecked())
        ObdelajHTMLImg();
    else
        ObdelajHTML();
    SplitPageAddress();
    ObdelajPovezave();
    OdstraniDuplikatneVrstice(List2);
    Label10->setText(QString::number(List2->Count()));
    ReportPageFailure();
}

void TDLForm::Combo1KeyUp(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    if (Combo1->currentText().isEmpty())
        return;
    TakeAddressScheme();
    const PageFetch fetched = FetchPage();
    if (fetched == PageFetch::Abandoned)
        return;
    // An error page is no page: its links are not added.
    Memo2 = fetched == PageFetch::Loaded ? HTTP1->Body : QByteArray();
    RecordTypedAddress(fetched == PageFetch::Loaded);
    SplitPageAddress();
    PokaziStevilko(3);
    ObdelajHTML();
    ObdelajPovezave();
    ReportPageFailure();
}

// The address as typed joins the history; the window then shows the
// address that finally answered, which is the base of the page's links and
// the referer of its files.
void TDLForm::RecordTypedAddress(bool loaded)
{
    AddToHistory();
    SaveHistory();
    if (!loaded)
        return;
    const QByteArray prefix = SchemePrefixOf(HTTP1->URL);
    if (prefix.isEmpty())
        return;
    SetAddressPrefix(prefix);
    Combo1->setEditText(QString::fromUtf8(HTTP1->URL.mid(prefix.size())));
}

// Asks for the page of the address box. A failure the user should know of
// is kept in PageFailure, to be reported once the load has ended; one that
// ends the command at once has been reported already.
TDLForm::PageFetch TDLForm::FetchPage()
{
    PageFailure.clear();
    const AddressCheck check = CheckPageAddress(Combo1->currentText().toUtf8());
    if (check.fault != AddressFault::None) {
        ReportAbandonedLoad(PageLoadFailureText(UnusableAddressText(check)));
        return PageFetch::Abandoned;
    }
    HTTP1->ReplyNumber = 0;
    try {
        HTTP1->Get(AddressPrefix() + AddressBytes());
    } catch (const EAbortError &) {
        if (!HTTP1->TimedOut)
            return PageFetch::Failed;  // Stop or Disconnect: the events have told of it
        PageFailure = PageLoadFailureText(Wording("čas je potekel", "timed out"));
        return PageFetch::Failed;
    } catch (const ESockError &e) {
        return PageFetchFailure(e);
    } catch (const EConvertError &e) {
        ReportAbandonedLoad(PageLoadFailureText(UnusableAddressText({AddressFault::Other, e.Message().toUtf8()})));
        return PageFetch::Abandoned;
    }
    // An error status that redirects did not mend is a failed load too.
    if (HTTP1->ReplyNumber >= 400) {
        PageFailure = PageLoadFailureText(QString::fromUtf8(StatusTextOf(HTTP1->Header)));
        return PageFetch::Failed;
    }
    return PageFetch::Loaded;
}

TDLForm::PageFetch TDLForm::PageFetchFailure(const ESockError &e)
{
    if (e.Message() == kHostLookupCanceled) {
        Dialogs().Message(Wording("Pritisnjena odpoved!", "User abort!"));
        PokaziStevilko(1);
        return PageFetch::Abandoned;
    }
    if (e.Message() == kHostLookupTimedOut) {
        ReportAbandonedLoad(Wording("Ni mi uspelo dobiti strani (timeout).", "I counld't download the page (timeout)."));
        return PageFetch::Abandoned;
    }
    if (IsInvalidPortNumber(e) || e.Message() == kPageTooLarge) {
        ReportAbandonedLoad(PageLoadFailureText(e.Message()));
        return PageFetch::Abandoned;
    }
    if (e.Message() == kConnectionCanceled)
        return PageFetch::Failed;  // Stop or Disconnect while connecting
    PageFailure = PageLoadFailureText(PageFailureReason(e));
    return PageFetch::Failed;
}

// Why the page failed, in the interface language where the program knows
// the failure, else as the client said it.
QString TDLForm::PageFailureReason(const ESockError &e) const
{
    if (const auto *tls = dynamic_cast<const ETlsError *>(&e))
        return TlsProblemText(*tls, EnglishUI == 1);
    if (e.Message() == kHostLookupFailed || e.Message() == kNullRemoteAddress)
        return Wording("gostitelja ni mogoče najti", "the host name was not found");
    if (e.Message() == kConnectionTimedOut)
        return Wording("čas za povezavo je potekel", "the connection timed out");
    if (HTTP1->LastError == WsaNumber(WsaCode::ConnectionRefused))
        return Wording("strežnik je zavrnil povezavo", "the server refused the connection");
    return AnswerFailureText(e, HTTP1->LowSpeedTime, EnglishUI == 1);
}

QString TDLForm::PageLoadFailureText(const QString &reason) const
{
    return Wording("Strani ni bilo mogoče naložiti: %1", "The page could not be loaded: %1").arg(reason);
}

// What is wrong with an address that cannot be asked for, in a sentence.
QString TDLForm::UnusableAddressText(const AddressCheck &check) const
{
    const QString part = QString::fromUtf8(check.part);
    QString what;
    switch (check.fault) {
    case AddressFault::Scheme:
        what = Wording("začne se z »%1« namesto s http:// ali https://",
                       "it starts with \"%1\" instead of http:// or https://").arg(part);
        break;
    case AddressFault::NoHost:
        what = Wording("manjka ime gostitelja", "the host name is missing");
        break;
    case AddressFault::Port:
        what = part.isEmpty() ? Wording("za »:« manjka številka vrat", "the port number after \":\" is missing")
                              : Wording("vrata »%1« niso število", "the port \"%1\" is not a number").arg(part);
        break;
    case AddressFault::None:
    case AddressFault::Other:
        what = part;
        break;
    }
    // An address of another scheme is shown as typed, any other with the
    // scheme it would have been asked for.
    const QString shown = check.fault == AddressFault::Scheme
                              ? Combo1->currentText()
                              : QString::fromLatin1(AddressPrefix()) + Combo1->currentText();
    return Wording("»%1« ni veljaven naslov (%2)", "\"%1\" is not a valid address (%2)").arg(shown, what);
}

// A failure that ends the command before anything is recorded: the log's
// last line, the status bar and a message say it; the step goes back to 1.
void TDLForm::ReportAbandonedLoad(const QString &text)
{
    Log(text);
    ShowNewestLogLine();
    PokaziStevilko(1);
    Dialogs().Message(text);
}

// The failure of the load just ended, if it had one the user should know
// of: the last log line and a message. A list download goes on to its next
// page: a box for each page that failed would stop it until someone clicks.
void TDLForm::ReportPageFailure()
{
    if (PageFailure.isEmpty())
        return;
    Log(PageFailure);
    ShowNewestLogLine();
    if (!ListRunning)
        Dialogs().Message(PageFailure);
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

void TDLForm::Button5Click()
{
    Combo1->blockSignals(true);
    const QString text = Combo1->currentText();
    Combo1->clear();
    Combo1->setEditText(text);
    Combo1->blockSignals(false);
    if (!QFile::remove(ProgramFile(kHistoryFile)))
        Dialogs().Error(QStringLiteral("Ni mi uspelo, fajl je najbrž uporabljan!\r"
                                       "I did not succeed - file is in use!"));
}

void TDLForm::AddToHistory()
{
    // The first entry of an empty list would become the box's text, with
    // its "https://".
    const QString text = Combo1->currentText();
    Combo1->addItem(HistoryEntry(AddressPrefix(), text));
    Combo1->setEditText(text);
}

void TDLForm::SaveHistory()
{
    QList<QByteArray> lines;
    for (int i = 0; i < Combo1->count(); ++i)
        lines << Combo1->itemText(i).toUtf8();
    WriteLineFile(ProgramFile(kHistoryFile), lines);
}

void TDLForm::LoadHistory()
{
    QFile file(ProgramFile(kHistoryFile));
    if (!file.open(QIODevice::ReadOnly))
        return;  // no history yet, or unreadable: start with none
    const QString text = Combo1->currentText();
    for (const QByteArray &line : SplitLines(file.readAll()))
        Combo1->addItem(QString::fromUtf8(line));
    Combo1->setEditText(text);
}
