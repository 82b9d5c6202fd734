// The end of a batch: the total progress while it runs, then the failed
// files with Retry failed and Open folder, and the taskbar's alert when the
// window is not the active one.
#include "gui/dlform.h"
#include "core/shared_state.h"
#include "gui/panel_status_bar.h"
#include "gui/platform.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <limits>
#include <utility>

namespace {
// How many failed files the panel names; the rest are counted.
constexpr int kFailedShown = 10;

// "gone.jpg, b.png and 3 more": the last part of each address's path (the
// address itself where it has none).
QString FailedFilesText(const QList<TDLForm::FailedFile> &files, bool english)
{
    QStringList names;
    for (qsizetype i = 0; i < files.size() && i < kFailedShown; ++i) {
        const QByteArray &address = files[i].address;
        const qsizetype query = address.indexOf('?');
        const QByteArray path = query < 0 ? address : address.left(query);
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
        names << QString::fromUtf8(name.isEmpty() ? address : name);
    }
    QString text = (english ? QStringLiteral("Failed: ") : QStringLiteral("Neuspešne: ")) + names.join(", ");
    if (files.size() > kFailedShown)
        text += (english ? QStringLiteral(" and %1 more") : QStringLiteral(" in še %1"))
                    .arg(files.size() - kFailedShown);
    return text;
}
}  // namespace

// Between the work area and the status bar: the total progress bar and the
// failed files' panel, both hidden until there is something to show.
void TDLForm::BuildBatchEndArea(QBoxLayout *sheet)
{
    TotalProgress = new QProgressBar(TabSheet1);
    TotalProgress->setTextVisible(true);
    TotalProgress->hide();
    sheet->addWidget(TotalProgress);
    FailedPanel = new QFrame(TabSheet1);
    FailedPanel->setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(FailedPanel);
    row->setContentsMargins(4, 2, 4, 2);
    FailedList = new QLabel(FailedPanel);
    FailedList->setWordWrap(true);
    FailedList->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(FailedList, 1);
    RetryFailedButton = new QPushButton(QStringLiteral("Retry failed"), FailedPanel);
    OpenFolderButton = new QPushButton(QStringLiteral("Open folder"), FailedPanel);
    for (QPushButton *button : {RetryFailedButton, OpenFolderButton}) {
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    connect(RetryFailedButton, &QPushButton::clicked, this, [this] { RetryFailedClick(); });
    connect(OpenFolderButton, &QPushButton::clicked, this, [this] { OpenFolderClick(); });
    FailedPanel->hide();
    sheet->addWidget(FailedPanel);
    AlertUser = [](QWidget *window) { QApplication::alert(window); };
}

void TDLForm::ShowTotalProgress(const TBatchProgress &progress)
{
    const int total = int(qBound<qint64>(1, progress.total, qint64(std::numeric_limits<int>::max())));
    TotalProgress->setRange(0, total);
    TotalProgress->setValue(qBound(0, progress.ended, total));
    TotalProgress->setFormat(TotalProgressText(progress, EnglishUI == 1));
    TotalProgress->setVisible(!Unattended.exitAfter);
}

void TDLForm::HideBatchEnd()
{
    FailedPanel->hide();
}

void TDLForm::BeginBatchEnd()
{
    HideBatchEnd();
    if (!SumBatches)
        FailedFiles.clear();
}

// A batch ended: its tally joins the sum, or its failures are shown now.
void TDLForm::EndOfBatch(const TBatchEnd &end)
{
    if (SumBatches) {
        RunTotals.saved += Tally.saved;
        RunTotals.failed += Tally.failed;
        RunTotals.skipped += Tally.skipped;
        RunTotals.stopped += Tally.stopped;
        RunInterrupted = RunInterrupted || end.interrupted;
        return;
    }
    if (ShuttingDown)
        return;
    ShowFailedFiles();
    AlertIfInactive();
}

void TDLForm::ShowRunEnd(const QStringList &texts)
{
    Status1->SetPanelTexts(2, texts);
    Log(texts.first());
    ShowFailedFiles();
    AlertIfInactive();
}

void TDLForm::ShowFailedFiles()
{
    if (FailedFiles.isEmpty() || Unattended.exitAfter || ShuttingDown) {
        FailedPanel->hide();
        return;
    }
    FailedList->setText(FailedFilesText(FailedFiles, EnglishUI == 1));
    FailedList->setToolTip(FailedFiles.size() > kFailedShown ? FailedList->text() : QString());
    FailedPanel->show();
}

void TDLForm::AlertIfInactive()
{
    if (Unattended.exitAfter || ShuttingDown || isActiveWindow() || !AlertUser)
        return;
    AlertUser(window());
}

// The failed files again, each named as before (same folder prefix); the
// files of several prefixes (a list download's pages) run as one batch per
// prefix, with one summary.
void TDLForm::RetryFailedClick()
{
    if (BatchRunning || ListRunning || PageLoading || FailedFiles.isEmpty())
        return;
    QList<QList<FailedFile>> groups;
    for (const FailedFile &file : std::exchange(FailedFiles, {})) {
        auto same = std::find_if(groups.begin(), groups.end(),
                                 [&](const auto &group) { return group.first().folderPrefix == file.folderPrefix; });
        if (same == groups.end())
            groups.append({file});
        else
            same->append(file);
    }
    Status1->SetPanelText(2, QString());
    Button181->setVisible(true);
    if (groups.size() == 1) {
        RunBatch(groups.first());
        return;
    }
    SumBatches = true;
    RunTotals = {};
    RunInterrupted = false;
    for (const QList<FailedFile> &group : groups) {
        if (ShuttingDown || RunInterrupted)
            break;
        RunBatch(group);
    }
    SumBatches = false;
    if (!ShuttingDown)
        ShowRunEnd(BatchEndChoices(RunTotals, RunInterrupted, EnglishUI == 1));
}

void TDLForm::OpenFolderClick()
{
    Button181Click();
}
