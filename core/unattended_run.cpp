#include "core/unattended_run.h"

#include "base/convert.h"
#include "base/errors.h"
#include "core/console_output.h"
#include "core/end_signals.h"
#include "core/scan/address_history.h"
#include "core/settings/run_record.h"
#include "core/settings/settings_store.h"
#include "core/settings/window_placement.h"
#include "core/shared_state.h"

#include <QDir>

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

TUnattendedRun::TUnattendedRun()
{
    connect(&saver_, &TPageSaver::LogLine, this, [this](const QString &line) { Log(line); });
    connect(&saver_, &TPageSaver::Message, this, [](const QString &text) { WriteMessage(text); });
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
        Log(RunSummary(saver_.Totals()));
    if (endSignal_)
        return ExitStatusOfSignal(endSignal_);
    return CaughtEndSignal() ? ExitStatusOfSignal(CaughtEndSignal()) : status_;
}

void TUnattendedRun::EndBySignal(int signal)
{
    endSignal_ = signal;
    saver_.Disconnect();
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
    saver_.Apply(settings_.Values());
    QDir::setCurrent(settings_.Values().startDir);  // a folder that cannot be entered is not reported
    // A stored proxy port that is not a number is said once; the rest of
    // the start goes on.
    if (settings_.Values().proxy && !TryStrToInt(settings_.Values().proxyPort))
        WriteMessage(EConvertError::NotAnInteger(settings_.Values().proxyPort).Message());
    RecordRunStart(ProgramVersion);
}

void TUnattendedRun::RunCommandLine(const TCommandLine &line)
{
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
    if (line.credentials)
        saver_.SetCredentials(line.user, line.password);
    started_ = line.start;
    if (started_ && inFolder)
        Download(line.address);
}

// Load page, then Save pictures over every link the page gave.
void TUnattendedRun::Download(const QString &address)
{
    status_ = 2;  // until the page has given its links
    // A folder that takes no file is refused before any request.
    if (const QString refusal = SaveFolderRefusal(EnglishUI == 1); !refusal.isEmpty()) {
        Log(refusal);
        WriteMessage(refusal);
        return;
    }
    TPageChoice choice;
    choice.find = TFind(settings_.Values().find);
    choice.modern = settings_.Values().modernPages;
    choice.typeFilter = TypeFilterIndex;
    choice.english = EnglishUI != 0;
    if (!saver_.LoadPage(address, choice, history_) || endSignal_)
        return;
    if (saver_.Links().isEmpty()) {
        status_ = 3;
        return;
    }
    status_ = 1;  // until the batch has ended
    const TBatchEnd end = saver_.SaveLinks(settings_.Values(), QByteArray(), EnglishUI == 1);
    status_ = end.folderRefused ? 2 : saver_.Totals().failed > 0 ? 1 : 0;
}

// What the window's closing stores, and its connections closed.
void TUnattendedRun::Close()
{
    const TSettingsWriteBatch oneRewrite;
    ShuttingDown = true;
    StoreWindowPlaces();
    RecordRunEnd(StartMsecs, TimeStampMsecs(), RunPictureCount);
    saver_.Close();
}
