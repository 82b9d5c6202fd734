// Saving the picked links: Save pictures, the start delay and the walk over
// the selected lines of List2.
#include "gui/application.h"
#include "base/convert.h"
#include "gui/dlform.h"
#include "gui/dialogs.h"
#include "gui/handler_guard.h"
#include "base/errors.h"
#include "gui/list_box.h"
#include "gui/panel_status_bar.h"
#include "core/settings/settings_values.h"
#include "core/shared_state.h"
#include "core/download/batch_file.h"
#include "core/download/batch_progress.h"
#include "core/download/file_naming.h"
#include "net/http_client.h"
#include "core/scan/address_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <limits>
#include <utility>

namespace {
// Sets the running flag, the busy buttons and a fresh tally; however the
// walk ends, clears the flag and hands a command that waited for the end
// (Load page or Start! answered with Yes) to the event loop, which runs it
// once the batch has wound down to there.
class BatchGuard {
public:
    explicit BatchGuard(TDLForm &form) : form_(form)
    {
        BatchRunning = true;
        BatchInterrupted = false;
        form_.Tally = {};
        form_.ShowBusyState();
    }
    ~BatchGuard()
    {
        BatchRunning = false;
        SetApplicationTitle(QStringLiteral("Grabulo"));  // dialogs after the batch say no "Downloading"
        form_.ShowBusyState();
        if (form_.AfterBatch && !ShuttingDown)
            QTimer::singleShot(0, &form_, Guard(std::exchange(form_.AfterBatch, nullptr)));
        form_.AfterBatch = nullptr;
    }
    BatchGuard(const BatchGuard &) = delete;
    BatchGuard &operator=(const BatchGuard &) = delete;

private:
    TDLForm &form_;
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
    BatchGuard running(*this);
    OpenSavedArchive();
    const qsizetype picked = List2->SelectedCount();
    bool listEmptied = false, folderRefused = false;
    try {
        const int slotCount = ParallelSlots();
        if (slotCount > 1) {
            CloseKeptConnections();
            WalkSelectedLinksAtOnce(slotCount);
        } else {
            // The page's connection serves the first file when it leads there.
            if (HTTP2->KeepAlive)
                HTTP2->TakeKeptConnection(*HTTP1);
            WalkSelectedLinks();
        }
    } catch (const EListError &) {
        listEmptied = true;  // the list was emptied under the walk (Disconnect)
    } catch (const ESaveFolderError &e) {
        folderRefused = true;
        EndForTheFolder(e.Message(), picked);
    }
    // Not every picked file was tried to its end: never "finished".
    ShowBatchEnd(BatchInterrupted || listEmptied || folderRefused || ShuttingDown);
    if (listEmptied || ShuttingDown)
        return;  // nothing left to show, or the window is closing
    SetRich1Line(1, QString());
    SetRich1Line(0, QString());
    PokaziStevilko(5);
}

// Several at a time: each worker keeps a connection of its own, so the
// page's kept connection and the file client's are closed first; a host
// then gets no more connections than there are slots.
void TDLForm::CloseKeptConnections()
{
    HTTP2->TakeKeptConnection(*HTTP1);  // does nothing while either runs
    if (!HTTP2->Connected)
        return;
    try {
        HTTP2->Disconnect();
    } catch (const ESockError &) {
    }
}

// The save folder took no file: said in the log and a message, and every
// picked file not saved or passed over counts as failed.
void TDLForm::EndForTheFolder(const QString &message, qsizetype picked)
{
    const qsizetype done = qsizetype(Tally.saved) + Tally.failed + Tally.skipped;
    Tally.failed = ClampToInt32(qint64(Tally.failed) + qMax<qsizetype>(0, picked - done));
    Log(message);
    Dialogs().Error(message);
}

void TDLForm::ShowBatchEnd(bool interrupted)
{
    const QStringList texts = BatchEndChoices(Tally, interrupted, EnglishUI == 1);
    Status1->SetPanelTexts(2, texts);
    Log(texts.first());
}

void TDLForm::WalkSelectedLinks()
{
    const qsizetype count = List2->Count();
    TBatchProgress progress{0, List2->SelectedCount(), 1, 0, 0};
    QElapsedTimer clock;
    clock.start();
    // The status panel at a few times a second, from the bytes the file
    // client counts anyway: nothing is added to the receiving of a chunk.
    qint64 bytesEnded = 0;
    QTimer ticker;
    ticker.setInterval(kProgressIntervalMs);
    connect(&ticker, &QTimer::timeout, this, Guard([&] {
                progress.bytes = bytesEnded + HTTP2->BytesRecvd;
                progress.elapsedMs = clock.elapsed();
                ShowSerialProgress(progress);
            }));
    ticker.start();
    for (qsizetype i = 0; i < count && !ShuttingDown; ++i) {
        if (!List2->Selected(i))
            continue;
        const QByteArray address = List2->Item(i);
        HTTP2->BytesRecvd = 0;
        HTTP2->Body = AnnounceDownload(address, progress.ended + 1, progress.total, true);
        if (!SkipIfAlreadySaved(address))
            ZDownloadaj(address, 1);
        ++progress.ended;
        bytesEnded += HTTP2->BytesRecvd;
    }
}

void TDLForm::ShowSerialProgress(const TBatchProgress &progress)
{
    TBatchProgress shown = progress;
    shown.inTransfer = progress.ended < progress.total ? 1 : 0;
    Status1->SetPanelTexts(2, ProgressChoices(shown, EnglishUI == 1));
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
    // the file is named by what comes before it. Escapes are decoded.
    AddressFile = SavedFileName(AddressFile, CheckBox7->isChecked());
    const QString progress = QString::number(k) + u'/' + QString::number(count);
    const QString file = QString::fromUtf8(AddressFile);
    if (onCounter)
        SetRich1Line(0, progress + QStringLiteral(": ") + file);
    SetApplicationTitle(QStringLiteral("Grabulo: Downloading ") + progress);
    Log(Wording("Dol vlečem sliko ", "Downloading ") + file + QStringLiteral(" -> ") + Edit4->text() + file);
    return Edit4->text().toUtf8() + AddressFile;
}
