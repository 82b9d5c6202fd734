// Loading a page: Load page, Enter in the address box, the hidden local
// file scan, and the address history with its file "dl.ini". The page is
// asked for with the scheme its label shows; https pages keep their
// "https://" in the history.
#include "app/dialogs.h"
#include "app/dlform.h"
#include "app/list_box.h"
#include "app/panel_status_bar.h"
#include "app/platform.h"
#include "app/shared_state.h"
#include "base/errors.h"
#include "base/line_file.h"
#include "base/text_lines.h"
#include "download/transfer_outcome.h"
#include "net/http_client.h"
#include "net/socket_errors.h"
#include "net/tls_errors.h"
#include "scan/address_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace {
const char *const kHistoryFile = "dl.ini";

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
    HTTP1->ReplyNumber = 0;
    try {
        HTTP1->Get(AddressPrefix() + AddressBytes());
        // An error status that redirects did not mend is a failed load too.
        PageLoaded = !LogErrorStatusOfPage();
    } catch (const ESockError &e) {
        if (e.Message() == kHostLookupTimedOut) {
            Log(Wording("Ni mi uspelo dobiti strani (timeout).", "I counld't download the page (timeout)."));
            ShowNewestLogLine();
            PokaziStevilko(1);
            return;
        }
        if (IsInvalidPortNumber(e) || e.Message() == kPageTooLarge) {
            Log(e.Message());
            ShowNewestLogLine();
            PokaziStevilko(1);
            return;
        }
        if (e.Message() == kHostLookupCanceled) {
            Dialogs().Message(Wording("Pritisnjena odpoved!", "User abort!"));
            PokaziStevilko(1);
            return;
        }
        // Any other failure was logged by the client's events.
        ReportPageConnectionFailure(e);
    }
    // A failed load leaves no page: the previous page's text must not be
    // scanned against the new address.
    Memo2 = PageLoaded ? HTTP1->Body : QByteArray();
    AddToHistory();
    SaveHistory();
    if (CheckBox5->isChecked())
        ObdelajHTMLImg();
    else
        ObdelajHTML();
    SplitPageAddress();
    ObdelajPovezave();
    OdstraniDuplikatneVrstice(List2);
    Label10->setText(QString::number(List2->Count()));
}

// Whether the page client's last answer, after redirects, was an error
// status; if so, the log says which.
bool TDLForm::LogErrorStatusOfPage()
{
    if (HTTP1->ReplyNumber < 400)
        return false;
    Log(Wording("Strani ni bilo mogoče naložiti: %1", "The page could not be loaded: %1")
            .arg(QString::fromUtf8(StatusTextOf(HTTP1->Header))));
    return true;
}

// A certificate refused or a tunnel the proxy would not open: no event of
// the client tells of them, so the log and a message say what was wrong.
bool TDLForm::ReportPageConnectionFailure(const ESockError &e)
{
    QString reason;
    if (const auto *tls = dynamic_cast<const ETlsError *>(&e))
        reason = TlsProblemText(*tls, EnglishUI == 1);
    else if (e.Message().startsWith(kProxyRefusedTunnel))
        reason = e.Message();
    else
        return false;
    const QString text = Wording("Strani ni bilo mogoče naložiti: %1", "The page could not be loaded: %1").arg(reason);
    Log(text);
    ShowNewestLogLine();
    Dialogs().Message(text);
    return true;
}

void TDLForm::Combo1KeyUp(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    if (Combo1->currentText().isEmpty())
        return;
    TakeAddressScheme();
    HTTP1->ReplyNumber = 0;
    try {
        HTTP1->Get(AddressPrefix() + AddressBytes());
    } catch (const ESockError &e) {
        if (!ReportPageConnectionFailure(e))
            throw;
        HTTP1->Body.clear();
    }
    // An error page is no page: its links are not added.
    Memo2 = LogErrorStatusOfPage() ? QByteArray() : HTTP1->Body;
    AddToHistory();
    SaveHistory();
    PokaziStevilko(3);
    ObdelajHTML();
    ObdelajPovezave();
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
