// Saving the picked links: Save pictures, the start delay and the walk over
// the selected lines of List2.
#include "app/application.h"
#include "base/convert.h"
#include "app/dlform.h"
#include "app/dialogs.h"
#include "base/errors.h"
#include "app/list_box.h"
#include "app/panel_status_bar.h"
#include "app/settings_values.h"
#include "app/shared_state.h"
#include "download/file_naming.h"
#include "net/http_client.h"
#include "scan/address_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <limits>

namespace {
// Clears the running flag however the walk ends.
struct BatchGuard {
    BatchGuard()
    {
        BatchRunning = true;
        BatchInterrupted = false;
    }
    ~BatchGuard()
    {
        BatchRunning = false;
        SetApplicationTitle(QStringLiteral("Grabulo"));  // dialogs after the batch say no "Downloading"
    }
};
}  // namespace

void TDLForm::Button4Click()
{
    Status1->SetPanelText(2, QString());
    Button181->setVisible(true);
    if (ShuttingDown)
        return;
    if (BatchRunning) {
        // One batch at a time: a second would fight the first over List2.
        Log(Wording("Prenos že poteka.", "A download is already running."));
        return;
    }
    const qint32 minutes = ListRunning ? 0 : StrToInt(Edit13->text());
    if (minutes <= 0) {  // a negative delay starts at once, as 0 does
        ShraniSlike();
        return;
    }
    const qint64 interval = qint64(minutes) * 60000;
    Timer1->setInterval(int(qMin<qint64>(interval, std::numeric_limits<int>::max())));
    Timer1->start();
    Log(Wording("Zakasnitev prenosa je nastavljena na %1 minut. Čakam, da čas preteče...",
                "Delay timer is set to %1 minutes. Waiting for the time to elapse...")
            .arg(Edit13->text()));
}

void TDLForm::Timer1Timer()
{
    Timer1->stop();
    if (BatchRunning) {
        Log(Wording("Prenos že poteka.", "A download is already running."));
        return;
    }
    ShraniSlike();
}

void TDLForm::ShraniSlike()
{
    if (!ListRunning && List2->SelectedCount() == 0) {
        Dialogs().Error(QStringLiteral("Izberi vsaj eno datoteko!\rSelect at least one file!"));
        return;
    }
    Edit12Exit();  // the size filter reads a number, whatever is being typed
    PokaziStevilko(6);
    HTTP2->HeaderInfo.Referer =
        CheckBox3->isChecked() ? Edit11->text().toUtf8() : AddressPrefix() + Combo1->currentText().toUtf8();
    // The credentials were typed for the page: its files elsewhere get none.
    HTTP2->CredentialsOrigin = THttpClient::OriginOf(FullAddress(Combo1->currentText(), AddressPrefix()));
    BatchGuard running;
    OpenSavedArchive();
    bool listEmptied = false;
    try {
        const int slotCount = ParallelSlots();
        if (slotCount > 1)
            WalkSelectedLinksAtOnce(slotCount);
        else {
            // The page's connection serves the first file when it leads there.
            if (HTTP2->KeepAlive)
                HTTP2->TakeKeptConnection(*HTTP1);
            WalkSelectedLinks();
        }
    } catch (const EListError &) {
        listEmptied = true;  // the list was emptied under the walk (Disconnect)
    }
    if (BatchInterrupted || listEmptied || ShuttingDown) {
        // Not every picked file was tried to its end: never "finished".
        Status1->SetPanelText(2, Wording("Prenos datotek prekinjen.", "Download interrupted."));
        if (listEmptied || ShuttingDown)
            return;  // nothing left to show, or the window is closing
    } else {
        Status1->SetPanelText(2, Wording("Prenos datotek končan.", "Download finished."));
    }
    SetRich1Line(1, QString());
    SetRich1Line(0, QString());
    PokaziStevilko(5);
}

void TDLForm::WalkSelectedLinks()
{
    const qsizetype count = List2->Count();
    int k = 0;
    for (qsizetype i = 0; i < count && !ShuttingDown; ++i) {
        if (!List2->Selected(i))
            continue;
        ++k;
        const QByteArray address = List2->Item(i);
        HTTP2->Body = AnnounceDownload(address, k, List2->SelectedCount(), true);
        if (!SkipIfAlreadySaved(address))
            ZDownloadaj(address, 1);
    }
}

// The setting "parallel": how many files of a batch transfer at once.
int TDLForm::ParallelSlots() const
{
    return qBound(1, SpinEdit1->value(), Settings::ParallelMost);
}

// Splits the address, announces the k-th of count picked files in the
// title and the log (and on the counter when it shows one file at a time)
// and gives the name the file is to be saved under.
QByteArray TDLForm::AnnounceDownload(const QByteArray &address, int k, qsizetype count, bool onCounter)
{
    LociNaslov(address);
    // The modern scan finds picture addresses with a query ("a.jpg?w=800"):
    // the file is named by what comes before it.
    if (CheckBox7->isChecked())
        AddressFile = NameWithoutQuery(AddressFile);
    const QString progress = QString::number(k) + u'/' + QString::number(count);
    const QString file = QString::fromUtf8(AddressFile);
    if (onCounter)
        SetRich1Line(0, progress + QStringLiteral(": ") + file);
    SetApplicationTitle(QStringLiteral("Grabulo: Downloading ") + progress);
    Log(Wording("Dol vlečem sliko ", "Downloading ") + file + QStringLiteral(" -> ") + Edit4->text() + file);
    return Edit4->text().toUtf8() + AddressFile;
}
