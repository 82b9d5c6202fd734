#include "core/unattended_run.h"

#include "base/convert.h"
#include "base/errors.h"
#include "core/console_output.h"
#include "core/download/batch_progress.h"
#include "core/end_signals.h"
#include "core/scan/address_helpers.h"
#include "core/scan/address_history.h"
#include "core/scan/link_scanner.h"
#include "core/settings/client_settings.h"
#include "core/settings/run_record.h"
#include "core/settings/settings_store.h"
#include "core/settings/window_placement.h"
#include "core/shared_state.h"
#include "net/event_pump.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QTimer>

namespace {
// The screen a run without a display knows of: the one of Qt's offscreen
// platform, where such a run placed its hidden window.
const QList<QRect> kOffscreenScreens{QRect(0, 0, 800, 800)};

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The places of the main window and the preview as a run with a hidden
// window stored them at closing: the stored ones, as the screens allow.
// With a display nothing is stored: no window was placed on it.
void StoreWindowPlaces()
{
    if (HasDisplay())
        return;
    const QRect bounds = PlacedBounds({ReadSetting(Settings::Left), ReadSetting(Settings::Top),
                                       ReadSetting(Settings::Width), ReadSetting(Settings::Height)},
                                      QSize(670, 520), QPoint(Settings::Left.defaultValue, Settings::Top.defaultValue),
                                      kOffscreenScreens);
    StoreIfChanged(Settings::Left, bounds.x());
    StoreIfChanged(Settings::Top, bounds.y());
    StoreIfChanged(Settings::Width, bounds.width());
    StoreIfChanged(Settings::Height, bounds.height());
    const QSize preview(171, 114);  // the preview's picture
    const QPoint at = PlacedBounds({ReadSetting(Settings::PreviewLeft), ReadSetting(Settings::PreviewTop),
                                    preview.width(), preview.height()},
                                   preview, QPoint(Settings::PreviewLeft.defaultValue, Settings::PreviewTop.defaultValue),
                                   kOffscreenScreens)
                          .topLeft();
    StoreIfChanged(Settings::PreviewLeft, at.x());
    StoreIfChanged(Settings::PreviewTop, at.y());
}
}  // namespace

TCommandLine TCommandLine::Of(const QStringList &arguments)
{
    const auto argument = [&](int n) { return n <= arguments.size() ? arguments[n - 1] : QString(); };
    TCommandLine line;
    line.address = argument(1);
    line.folder = argument(2);
    line.exit = argument(4) == QLatin1String("exit") || argument(6) == QLatin1String("exit");
    if (argument(3) == QLatin1String("start")) {
        line.start = true;
    } else {
        line.credentials = true;
        line.user = argument(3);
        line.password = argument(4);
        line.start = argument(5) == QLatin1String("start");
    }
    return line;
}

TUnattendedRun::TUnattendedRun() : loader_(pages_)
{
    ConfigureHttpClients(pages_, files_);
    runner_.SetClients(&files_, &pages_);
    loader_.FollowLanguage([] { return EnglishUI != 0; });
    loader_.ConnectLog(this, [this](const QString &line) { Log(line); });
    connect(&runner_, &TBatchRunner::LogLine, this, [this](const QString &line, bool) { Log(line); });
    connect(&runner_, &TBatchRunner::Dialog, this, [](const QString &text, bool) { WriteMessage(text); });
}

TUnattendedRun::~TUnattendedRun() = default;

void TUnattendedRun::Log(const QString &line)
{
    WriteLogLine(line);
}

int TUnattendedRun::Run(const TCommandLine &line)
{
    Start();
    // A failure is told as a window tells any command's; the closing below
    // still runs.
    try {
        RunCommandLine(line);
    } catch (const Exception &e) {
        WriteMessage(e.Message());
    }
    Close();
    if (started_)
        Log(Summary());
    if (endSignal_)
        return ExitStatusOfSignal(endSignal_);
    return CaughtEndSignal() ? ExitStatusOfSignal(CaughtEndSignal()) : status_;
}

void TUnattendedRun::EndBySignal(int signal)
{
    endSignal_ = signal;
    Disconnect();
}

// What the window's creation does: the settings in force to the clients,
// the history, the save folder entered, the start's record, in one rewrite
// of the store.
void TUnattendedRun::Start()
{
    const TSettingsWriteBatch oneRewrite;
    InitSharedState();
    history_ = ReadAddressHistory(AddressHistoryFile());
    settings_.Load();
    ApplySettingsToClients(settings_.Values(), pages_, files_);
    QDir::setCurrent(settings_.Values().startDir);  // a folder that cannot be entered is not reported
    // A stored proxy port that is not a number is said once; the rest of
    // the start goes on.
    if (settings_.Values().proxy && !TryStrToInt(settings_.Values().proxyPort))
        WriteMessage(EConvertError::NotAnInteger(settings_.Values().proxyPort).Message());
    RecordRunStart(ProgramVersion);
}

void TUnattendedRun::RunCommandLine(const TCommandLine &line)
{
    address_ = line.address;
    // A folder that cannot be entered is reported, and "start" is then not
    // carried out: the files would land in whatever folder was current.
    const bool inFolder = QDir::setCurrent(line.folder);
    if (!inFolder) {
        status_ = 2;
        WriteMessage(QStringLiteral("Unable to find local path ") + line.folder);
    }
    TSettingsValues values = settings_.Values();
    values.startDir = line.folder;
    settings_.Set(values);
    if (line.credentials) {
        for (THttpClient *http : {&pages_, &files_}) {
            http->HeaderInfo.UserId = line.user.toUtf8();
            http->HeaderInfo.Password = line.password.toUtf8();
        }
    }
    started_ = line.start;
    if (started_ && inFolder)
        Download();
}

void TUnattendedRun::Download()
{
    status_ = 2;  // until the page has given its links
    savedBefore_ = RunPictureCount;
    failedBefore_ = runner_.errorLog.entries.size();
    if (!LoadPage() || endSignal_)
        return;
    if (links_.isEmpty()) {
        status_ = 3;
        return;
    }
    selected_ = links_.size();
    status_ = 1;  // until the batch has ended
    StartBatch();
    status_ = Failed() > 0 ? 1 : 0;
}

// Load page: what is in transfer ends and the lists empty; the address
// box's scheme goes to its label; the page is asked for; the address as
// typed joins the history and the box shows the one that answered; the
// links found are the link list. False when there is no page to save from.
bool TUnattendedRun::LoadPage()
{
    Disconnect();
    if (address_.isEmpty())
        return false;
    const SchemedAddress typed = TakeScheme(address_, prefix_);
    prefix_ = typed.prefix;
    address_ = DodajSlash(typed.rest);
    TPageRequest request;
    request.address = address_;
    request.prefix = prefix_;
    request.referer = prefix_ + address_.toUtf8();
    request.modern = settings_.Values().modernPages;
    request.typeFilter = TypeFilterIndex;
    request.english = EnglishUI != 0;
    const TPageResult result = loader_.Load(request);
    if (result.outcome == TPageOutcome::Abandoned) {
        ShowFailure(result);
        return false;
    }
    history_ = AddHistoryEntry(history_, prefix_, address_);
    WriteAddressHistory(AddressHistoryFile(), history_);
    if (result.outcome == TPageOutcome::Loaded) {
        prefix_ = result.finalPrefix;
        address_ = result.finalAddress;
    }
    links_ = result.links;
    if (result.nothingFound) {
        Log(NoFilesFoundMessage(EnglishUI != 0));
        Disconnect();
    }
    OdstraniDuplikatneVrstice(links_);
    if (result.report == TPageFailureReport::AfterScan)
        ShowFailure(result);
    return result.outcome == TPageOutcome::Loaded;
}

// The failure as the window tells it: the last log line and a message; a
// Stop during the host look-up only in a message.
void TUnattendedRun::ShowFailure(const TPageResult &result)
{
    if (result.report == TPageFailureReport::None)
        return;
    if (result.report != TPageFailureReport::UserAbort)
        Log(result.failure);
    WriteMessage(result.failure);
}

// Save pictures: at once, or after the start delay.
void TUnattendedRun::StartBatch()
{
    if (ShuttingDown)
        return;
    if (settings_.Values().delay > 0 && !WaitForTheDelay())
        return;
    SavePicked();
}

// The start delay of the settings, as the window's timer waits it; a signal
// ends the wait, and then nothing is saved.
bool TUnattendedRun::WaitForTheDelay()
{
    const qint32 minutes = settings_.Values().delay;
    Log(Wording("Zakasnitev prenosa je nastavljena na %1 minut. Čakam, da čas preteče...",
                "Delay timer is set to %1 minutes. Waiting for the time to elapse...")
            .arg(minutes));
    const QDeadlineTimer deadline(qint64(minutes) * 60000);
    QTimer wake;  // the wait's end is an event too
    wake.setSingleShot(true);
    while (!deadline.hasExpired() && !endSignal_) {
        wake.start(int(qBound(qint64(1), deadline.remainingTime(), qint64(60000))));
        net::PumpEvents(net::PumpMode::WaitForMore);
    }
    return !endSignal_;
}

// One batch over every link, into the folder entered: the files are asked
// for with the page as referer, and the page's credentials go only to the
// page's origin.
void TUnattendedRun::SavePicked()
{
    files_.HeaderInfo.Referer = prefix_ + address_.toUtf8();
    files_.CredentialsOrigin = THttpClient::OriginOf(FullAddress(address_, prefix_));
    TBatchRequest request;
    request.addresses = links_;
    request.settings = settings_.Values();
    request.sizeLimitText = QString::number(request.settings.sizeLimit);
    request.http = THttpRequestSettings::Of(files_);
    request.english = EnglishUI == 1;
    BatchRunning = true;
    BatchInterrupted = false;
    runner_.tally = {};
    const TBatchEnd end = runner_.Run(request);
    BatchRunning = false;
    Log(BatchEndChoices(runner_.tally, end.interrupted, EnglishUI == 1).first());
}

// Disconnect: what is in transfer ends, the batch takes no further file and
// the link list empties.
void TUnattendedRun::Disconnect()
{
    AbortRequested = true;
    if (BatchRunning) {
        BatchInterrupted = true;
        runner_.ListEmptied();
    }
    pages_.Abort();
    files_.Abort();
    runner_.CancelWorkers();
    pages_.Disconnect();
    files_.Disconnect();
    links_.clear();
}

// What the window's closing stores, and its connections closed.
void TUnattendedRun::Close()
{
    const TSettingsWriteBatch oneRewrite;
    ShuttingDown = true;
    StoreWindowPlaces();
    RecordRunEnd(StartMsecs, TimeStampMsecs(), RunPictureCount);
    try {
        pages_.Abort();
        files_.Abort();
    } catch (const ESockError &) {
        // Nothing to report while closing.
    }
    runner_.CancelWorkers();
    pages_.Disconnect();
    files_.Disconnect();
}

qint32 TUnattendedRun::Saved() const
{
    return RunPictureCount - savedBefore_;
}

// Every address the batch gave up on is in the error log; a file that was
// neither saved, nor skipped as saved before, nor logged (the batch broke
// off) failed as well.
qsizetype TUnattendedRun::Failed() const
{
    const qsizetype logged = runner_.errorLog.entries.size() - failedBefore_;
    return qMax(logged, selected_ - Saved() - runner_.tally.skipped);
}

// The last line of the run; files skipped as saved before are named only
// when there were any.
QString TUnattendedRun::Summary() const
{
    QString line = Wording("Shranjenih datotek: %1, neuspešnih: %2", "Files saved: %1, failed: %2")
                       .arg(Saved())
                       .arg(Failed());
    if (runner_.tally.skipped > 0)
        line += Wording(", preskočenih: %1", ", skipped: %1").arg(runner_.tally.skipped);
    return line + u'.';
}
