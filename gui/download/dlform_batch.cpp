// Saving the picked links: Save pictures, the start delay and the walk over
// the selected lines of List2.
#include "gui/application.h"
#include "gui/window_state.h"
#include "base/convert.h"
#include "gui/dlform.h"
#include "gui/dialogs.h"
#include "gui/handler_guard.h"
#include "base/errors.h"
#include "gui/list_box.h"
#include "gui/panel_status_bar.h"
#include "core/settings/settings.h"
#include "core/settings/settings_values.h"
#include "core/shared_state.h"
#include "core/download/batch_file.h"
#include "core/download/batch_progress.h"
#include "core/download/file_naming.h"
#include "net/http_client.h"
#include "net/http_worker.h"
#include "core/scan/address_helpers.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
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
    Log(DelayWaitText(Edit13->text(), EnglishUI != 0));
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
    RunBatch({});
}

void TDLForm::RunBatch(const QList<FailedFile> &files)
{
    PokaziStevilko(6);
    HTTP2->HeaderInfo.Referer =
        CheckBox3->isChecked() ? Edit11->text().toUtf8() : AddressPrefix() + Combo1->currentText().toUtf8();
    // The credentials were typed for the page: its files elsewhere get none.
    HTTP2->CredentialsOrigin = THttpClient::OriginOf(FullAddress(Combo1->currentText(), AddressPrefix()));
    TBatchRequest request = BatchRequest();
    if (!files.isEmpty()) {
        request.addresses.clear();
        for (const FailedFile &file : files)
            request.addresses.append(file.address);
        request.folderPrefix = files.first().folderPrefix;
    }
    MakeDefaultSaveFolder(request.settings.startDir);  // a new user's folder, made when first saved into
    BatchSlots = request.settings.parallel;
    ShownBatchBytes = -1;
    BatchGuard running(*this);
    BeginBatchEnd();
    BatchPrefix = request.folderPrefix;
    Batch.SetClients(HTTP2, HTTP1);
    const TBatchEnd end = Batch.Run(request);
    ShowBatchEnd(end.interrupted);
    EndOfBatch(end);
    if (end.listEmptied || ShuttingDown)
        return;  // nothing left to show, or the window is closing
    SetRich1Line(1, QString());
    SetRich1Line(0, QString());
    PokaziStevilko(5);
}

void TDLForm::ShowBatchEnd(bool interrupted)
{
    const QStringList texts = BatchEndChoices(Tally, interrupted, EnglishUI == 1);
    Status1->SetPanelTexts(2, texts);
    Log(texts.first());
    TotalProgress->hide();
}

// The runner's signals: the log, the counter, the title, the status
// panel, the preview and the error log's list.
void TDLForm::WireBatchRunner()
{
    Batch.SetWorkerSource([this](int slot) { return WorkerForSlot(slot); });
    connect(&Batch, &TBatchRunner::LogLine, this, [this](const QString &line, bool failure) {
        failure ? LogFailure(line) : Log(line);
    });
    connect(&Batch, &TBatchRunner::FileAnnounced, this, &TDLForm::ShowAnnouncement);
    connect(&Batch, &TBatchRunner::FileSaved, this,
            [this](const QByteArray &, const QByteArray &name) { PreviewSavedFile(name); });
    connect(&Batch, &TBatchRunner::Progress, this, &TDLForm::ShowBatchProgress);
    connect(&Batch, &TBatchRunner::FileFailed, this,
            [this](const QByteArray &address) { FailedFiles.append({address, BatchPrefix}); });
    connect(&Batch, &TBatchRunner::Dialog, this, [](const QString &text, bool error) {
        error ? Dialogs().Error(text) : Dialogs().Message(text);
    });
}

// The worker of a slot, the workers beyond the batch's slots ended.
THttpWorker *TDLForm::WorkerForSlot(int slot)
{
    const int count = BatchSlots;
    while (Workers.size() > qMax(count, slot + 1))
        delete Workers.takeLast();
    while (Workers.size() <= slot)
        Workers.append(new THttpWorker(this));
    return Workers[slot];
}

// The k-th of count files: its name in the title, on the counter when it
// shows one file at a time, and the address split as the window keeps it.
void TDLForm::ShowAnnouncement(const QByteArray &address, const QByteArray &file, int k, qsizetype count)
{
    LociNaslov(address);
    AddressFile = file;
    const QString progress = QString::number(k) + u'/' + QString::number(count);
    if (BatchSlots == 1)
        SetRich1Line(0, progress + QStringLiteral(": ") + QString::fromUtf8(file));
    SetApplicationTitle(QStringLiteral("Grabulo: Downloading ") + progress);
}

void TDLForm::ShowBatchProgress(const TBatchProgress &progress)
{
    ShowTotalProgress(progress);
    if (BatchSlots == 1) {
        ShowSerialProgress(progress);
        return;
    }
    // Files ended and in transfer, bytes so far and the mean speed: short
    // on the counter, whole in the status panel.
    const bool english = EnglishUI == 1;
    SetRich1Line(0, ProgressCounterLine(progress, english));
    SetRich1Line(1, ProgressRateLine(progress, english));
    Status1->SetPanelTexts(2, ProgressChoices(progress, english));
    if (progress.bytes != ShownBatchBytes)
        SetShape1Color(Shape1Color() == QColor(Qt::red) ? QColor(Qt::green) : QColor(Qt::red));
    ShownBatchBytes = progress.bytes;
}

void TDLForm::ShowSerialProgress(const TBatchProgress &progress)
{
    TBatchProgress shown = progress;
    shown.inTransfer = progress.ended < progress.total ? 1 : 0;
    // Between two files the next one counts as started, its size unknown.
    shown.sizeUnknown += qMax(0, shown.inTransfer - progress.inTransfer);
    Status1->SetPanelTexts(2, ProgressChoices(shown, EnglishUI == 1));
}

// The setting "parallel": how many files of a batch transfer at once.
int TDLForm::ParallelSlots() const
{
    return qBound(1, SpinEdit1->value(), Settings::ParallelMost);
}

void TDLForm::CancelWorkers()
{
    Batch.CancelWorkers();
}
