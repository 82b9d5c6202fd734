// Start-up and shutdown: restoring the settings at creation, the command
// line when the window is shown, the one-time set-up at the first
// activation, and storing geometry, preview, language and statistics at
// closing.
#include "gui/dialogs.h"
#include "gui/window_state.h"
#include "gui/windows.h"
#include "gui/dlform.h"
#include "core/end_signals.h"
#include "gui/handler_guard.h"
#include "gui/list_box.h"
#include "gui/platform.h"
#include "core/settings/run_record.h"
#include "core/settings/settings.h"
#include "core/shared_state.h"
#include "core/settings/window_placement.h"
#include "base/convert.h"
#include "base/errors.h"
#include "gui/download/previewform.h"
#include "net/http_client.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>

void TDLForm::FormCreate()
{
    // One rewrite for what the start stores; its reads use the store the
    // batch keeps open instead of opening it for each.
    const TSettingsWriteBatch oneRewrite;
    InitSharedState();
    Combo2->setCurrentIndex(0);
    setWindowTitle(QStringLiteral("Grabulo - ") + QDir::toNativeSeparators(ProgramFolder()));
    LoadHistory();
    const QPoint defaultPlace(Settings::Left.defaultValue, Settings::Top.defaultValue);
    QRect placed = PlacedBounds({ReadSetting(Settings::Left), ReadSetting(Settings::Top), ReadSetting(Settings::Width),
                                 ReadSetting(Settings::Height)},
                                kLeastSize, defaultPlace, AvailableScreenAreas());
    if (placed.topLeft() == defaultPlace)
        placed = FittedAtDefaultPlace(placed, kLeastSize, kUsualFrame, AvailableScreenAreas());
    setGeometry(placed);
    // Read here, before the command line runs, so that unattended runs use
    // the same time-out, proxy, connections and scan as the window would.
    Settings->Load();
    ApplySettingsToClients();  // also when the store holds what was in force already
    QDir::setCurrent(Settings->Values().startDir);  // a folder that cannot be entered is not reported
    ShowSettings();
    ShowCurrentFolderInCaption();
    RecordRunStart(ProgramVersion);
}

// Every control writes its field back as it is set here: the same value,
// so nothing changes.
void TDLForm::ShowSettings()
{
    const TSettingsValues values = Settings->Values();
    Edit6->setText(values.startDir);
    Edit10->setText(QString::number(values.timeOut));
    Edit13->setText(QString::number(values.delay));
    RestoreProxy();
    // The page scan in force, for the window and the command line alike.
    CheckBox7->setChecked(values.modernPages);
    ShowFindChoice(values.find);
    ShowTypeFilters();
    SpinEdit2->setValue(values.lowSpeed);
    CheckBox4->setChecked(values.sizeFilter);
    Edit12->setText(QString::number(values.sizeLimit));
    for (const auto &show : SettingsViews)
        show();
}

void TDLForm::RestoreProxy()
{
    const TSettingsValues values = Settings->Values();
    if (!values.proxy)
        return;
    CheckBox1->setChecked(true);
    Edit1->setText(values.proxyHost);
    Edit5->setText(values.proxyPort);
    try {
        CheckBox1Click();
    } catch (const EConvertError &e) {
        // A stored port that is not a number: said once, and the rest of
        // the start goes on.
        Dialogs().Error(e.Message());
    }
}

void TDLForm::FormShow(const QStringList &arguments)
{
    const auto argument = [&](int n) { return n <= arguments.size() ? arguments[n - 1] : QString(); };
    Unattended = {};
    Unattended.exitAfter = argument(4) == QLatin1String("exit") || argument(6) == QLatin1String("exit");
    StoreChoicesAtOnce = !Unattended.exitAfter;
    if (!arguments.isEmpty()) {
        // A failure is shown as any handler's is; the closing below still
        // runs, or a run without a display would wait for ever.
        Guarded([&] { RunCommandLine(arguments); });
    }
    if (Edit6->text().isEmpty())
        Edit6->setText(DefaultSaveFolder());
    // The user starts by typing an address (over the last one, selected).
    Combo1->setFocus(Qt::OtherFocusReason);
    Combo1->lineEdit()->selectAll();
    if (Unattended.exitAfter)
        close();
    if (Unattended.started)
        Log(CommandLineSummary());
}

void TDLForm::RunCommandLine(const QStringList &arguments)
{
    const auto argument = [&](int n) { return n <= arguments.size() ? arguments[n - 1] : QString(); };
    Combo1->setEditText(argument(1));
    Edit6->setText(argument(2));
    // A folder that cannot be entered is reported, and "start" is then
    // not carried out: the files would land in whatever folder was
    // current, not in the one asked for.
    const bool inFolder = QDir::setCurrent(argument(2));
    if (!inFolder) {
        Unattended.status = 2;
        Dialogs().Message(QStringLiteral("Unable to find local path ") + argument(2));
    }
    ShowCurrentFolderInCaption();
    if (argument(3) == QLatin1String("start")) {
        Unattended.started = true;
    } else {
        Edit2->setText(argument(3));
        Edit3->setText(argument(4));
        Button8Click();
        Unattended.started = argument(5) == QLatin1String("start");
    }
    if (Unattended.started && inFolder)
        RunCommandLineDownload();
}

void TDLForm::RunCommandLineDownload()
{
    Unattended.status = 2;  // until the page has given its links
    Unattended.savedBefore = RunPictureCount;
    Unattended.failedBefore = Memo4.size();
    Button2Click();
    if (!PageLoaded || Unattended.endSignal)
        return;
    if (List2->Count() == 0) {
        Unattended.status = 3;
        return;
    }
    SpeedButton3Click();
    Unattended.selected = List2->SelectedCount();
    Unattended.status = 1;  // until the batch has ended
    Button4Click();
    Unattended.status = CommandLineFailed() > 0 ? 1 : 0;
}

int TDLForm::CommandLineExitStatus() const
{
    return Unattended.endSignal ? ExitStatusOfSignal(Unattended.endSignal) : Unattended.status;
}

void TDLForm::EndBySignal(int signal)
{
    if (!Unattended.exitAfter) {
        ClosingBySignal = true;
        close();
        return;
    }
    // The run goes on to its summary line and its closing; what was in
    // transfer ends as Disconnect ends it, and nothing more starts.
    Unattended.endSignal = signal;
    DisconnectAndEmpty();
}

qint32 TDLForm::CommandLineSaved() const
{
    return RunPictureCount - Unattended.savedBefore;
}

qsizetype TDLForm::CommandLineFailed() const
{
    // Every address the batch gave up on is in the error log; a file that
    // was neither saved, nor skipped as saved before, nor logged (the batch
    // broke off) failed as well.
    const qsizetype logged = Memo4.size() - Unattended.failedBefore;
    return qMax(logged, Unattended.selected - CommandLineSaved() - CommandLineSkipped());
}

qint32 TDLForm::CommandLineSkipped() const
{
    return Tally.skipped;  // the run's one batch
}

// The last line of a command-line run; files skipped as saved before are
// named only when there were any.
QString TDLForm::CommandLineSummary() const
{
    QString line = Wording("Shranjenih datotek: %1, neuspešnih: %2", "Files saved: %1, failed: %2")
                       .arg(CommandLineSaved())
                       .arg(CommandLineFailed());
    if (CommandLineSkipped() > 0)
        line += Wording(", preskočenih: %1", ", skipped: %1").arg(CommandLineSkipped());
    return line + u'.';
}

void TDLForm::FormActivate()
{
    if (!FirstActivation)
        return;
    FirstActivation = false;
    if (ReadSetting(Settings::Jezik) != 0)
        ENGClick();
    else
        SLOClick();
    Label2->setText(QStringLiteral("Grabulo v. ") + ProgramVersion);
    Combo3->clear();
    for (int i = 0; i < Combo2->count(); ++i)
        Combo3->addItem(Combo2->itemText(i));
    Combo3->setCurrentIndex(0);
    if (ReadSetting(Settings::Preview) == 1)
        CheckBox2->setChecked(true);
    if (ReadSetting(Settings::Install) == QLatin1String("0"))
        WriteSetting(Settings::Install, NumberText(TimeStampMsecs()));
}

void TDLForm::FormClose()
{
    const TSettingsWriteBatch oneRewrite;  // the state below in one rewrite of the store
    ShuttingDown = true;
    Timer1->stop();
    // The same client-area bounds that creation restores.
    const QRect bounds = geometry();
    StoreIfChanged(Settings::Left, bounds.x());
    StoreIfChanged(Settings::Top, bounds.y());
    StoreIfChanged(Settings::Width, bounds.width());
    StoreIfChanged(Settings::Height, bounds.height());
    // Language and preview are stored only when this run applied them: a
    // run closed before its first activation keeps the user's choice.
    if (!FirstActivation) {
        StoreIfChanged(Settings::Preview, CheckBox2->isChecked() ? 1 : 0);
        StoreIfChanged(Settings::Jezik, EnglishUI);
    }
    if (PreviewForm) {
        StoreIfChanged(Settings::PreviewLeft, PreviewForm->pos().x());
        StoreIfChanged(Settings::PreviewTop, PreviewForm->pos().y());
    }
    RecordRunEnd(StartMsecs, TimeStampMsecs(), RunPictureCount);
    ShutDownHttpClients();
}

void TDLForm::ShutDownHttpClients()
{
    try {
        HTTP1->Abort();
        HTTP2->Abort();
    } catch (const ESockError &) {
        // Nothing to report while closing.
    }
    CancelWorkers();
    HTTP1->Disconnect();
    HTTP2->Disconnect();
}

void TDLForm::closeEvent(QCloseEvent *event)
{
    bool close = true;
    // No leaves the batch running and the window open; a signal asks nothing.
    Guarded([&] { close = ClosingBySignal || AskToStopBatch(); });
    if (!close) {
        event->ignore();
        return;
    }
    Guarded([this] { FormClose(); });
    event->accept();
}
