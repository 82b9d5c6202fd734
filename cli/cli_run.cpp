#include "cli/cli_run.h"

#include "cli/progress_line.h"
#include "cli/terminal.h"
#include "base/errors.h"
#include "core/console_output.h"
#include "core/end_signals.h"
#include "core/lists/list_runner.h"
#include "core/lists/numbering.h"
#include "core/scan/address_helpers.h"
#include "core/scan/address_history.h"
#include "core/shared_state.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {
QString Say(bool english, const char *slovene, const char *englishText)
{
    return QString::fromUtf8(english ? englishText : slovene);
}

QString CannotRead(const QString &file, const QString &reason, bool english)
{
    return Say(english, "Datoteke %1 ni mogoče prebrati: %2", "Cannot read %1: %2").arg(file, reason);
}

void WriteError(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
}  // namespace

// The pages of -i as the list download walks them.
class TCliListPages final : public TListPages {
public:
    TCliListPages(TCliRun &run, const QStringList &pages) : run_(run), pages_(pages) {}
    qsizetype PageCount() const override { return pages_.size(); }
    QByteArray Page(qsizetype i) const override { return pages_[i].toUtf8(); }
    int RunFilter() const override { return run_.options_.type; }
    bool AbortRequested() const override { return run_.endSignal_ != 0; }
    void LoadPage(const QByteArray &, const QByteArray &address, int) override
    {
        run_.LoadPage(QString::fromUtf8(address));
    }
    void SaveAllLinks(const QString &folderPrefix) override { run_.TakeLinks(folderPrefix.toUtf8()); }
    void Clear() override {}

private:
    TCliRun &run_;
    const QStringList &pages_;
};

TCliRun::TCliRun(TCliOptions options, bool english) : options_(std::move(options)), english_(english)
{
    connect(&saver_, &TPageSaver::LogLine, this, &TCliRun::Log);
    connect(&saver_, &TPageSaver::Message, this, &TCliRun::Message);
    if (options_.progress && options_.verbosity >= 0 && !options_.list && StandardErrorIsTerminal()) {
        progress_ = std::make_unique<TProgressLine>(english_, WriteError, TerminalColumns);
        logOnTerminal_ = StandardOutputIsTerminal();
        connect(&saver_.Runner(), &TBatchRunner::Progress, this,
                [this](const TBatchProgress &progress) { progress_->Show(progress); });
        connect(&saver_.Runner(), &TBatchRunner::Ended, this, [this] { progress_->Finish(); });
    }
}

TCliRun::~TCliRun() = default;

QStringList TCliRun::InputPages(const QByteArray &text)
{
    QStringList pages;
    for (const QByteArray &line : text.split('\n')) {
        const QString page = QString::fromUtf8(line).trimmed();
        if (!page.isEmpty() && !page.startsWith(u'#'))
            pages << page;
    }
    return pages;
}

int TCliRun::Run()
{
    InitSharedState();
    EnglishUI = english_ ? 1 : 0;
    TypeFilterIndex = options_.type;
    QStringList inputPages;
    if (!Prepare(inputPages))
        return CaughtEndSignal() ? ExitStatusOfSignal(CaughtEndSignal()) : 2;
    // A failure that is no page's nor file's (the address history cannot
    // be written) ends the run with its message, as the window's
    // unattended run ends; the closing below still runs.
    try {
        RunPages(inputPages);
    } catch (const Exception &e) {
        WriteMessage(e.Message());
        failedOutside_ = true;
    }
    saver_.Close();
    if (!options_.list && options_.verbosity >= 0)
        Log(RunSummary(saver_.Totals()));
    return Status();
}

void TCliRun::EndBySignal(int signal)
{
    endSignal_ = signal;
    saver_.Disconnect();
}

// Everything a run needs before its first request: the input file and the
// password read (relative to the folder the run started in), the settings
// in force, the output folder made and entered. False after a message.
bool TCliRun::Prepare(QStringList &inputPages)
{
    if (!ReadInput(inputPages) || !UsePassword())
        return false;
    settings_ = SettingsInForce(ReadStoredSettings(), options_);
    if (!settings_.cookies.isEmpty())  // as given from where the run started, before -o is entered
        settings_.cookies = QFileInfo(settings_.cookies).absoluteFilePath();
    saver_.Apply(settings_);
    history_ = ReadAddressHistory(AddressHistoryFile());
    if (!options_.list && !EnterFolder())
        return false;
    if (!saver_.ReadCookies(english_))
        return false;  // before any request
    if (options_.verbosity > 0)
        TellSettings();
    return true;
}

bool TCliRun::ReadInput(QStringList &pages)
{
    if (options_.input.isEmpty())
        return true;
    if (options_.input == QLatin1String("-")) {
        const std::optional<QByteArray> text = ReadAllOf(STDIN_FILENO);
        if (!text) {
            if (!CaughtEndSignal())
                Message(Say(english_, "Standardnega vhoda ni mogoče prebrati.", "Cannot read standard input."));
            return false;
        }
        pages = InputPages(*text);
        return true;
    }
    QFile file(options_.input);
    if (!file.open(QIODevice::ReadOnly)) {
        Message(CannotRead(options_.input, file.errorString(), english_));
        return false;
    }
    pages = InputPages(file.readAll());
    return true;
}

// The password of -u: from GRABULO_PASSWORD, else the first line of the
// password file, else typed on the terminal.
bool TCliRun::UsePassword()
{
    if (options_.user.isEmpty())
        return true;
    std::optional<QString> password;
    if (qEnvironmentVariableIsSet("GRABULO_PASSWORD")) {
        password = qEnvironmentVariable("GRABULO_PASSWORD");
    } else if (!options_.passwordFile.isEmpty()) {
        QFile file(options_.passwordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            Message(CannotRead(options_.passwordFile, file.errorString(), english_));
            return false;
        }
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        password = QString::fromUtf8(line);
    } else {
        password = AskOnTerminal(Say(english_, "Geslo za %1: ", "Password for %1: ").arg(options_.user));
    }
    if (!password) {
        if (CaughtEndSignal())
            return false;
        Message(Say(english_, "Ni gesla za %1: nastavite GRABULO_PASSWORD ali podajte --password-file.",
                    "No password for %1: set GRABULO_PASSWORD or give --password-file.")
                    .arg(options_.user));
        return false;
    }
    saver_.SetCredentials(options_.user, *password);
    return true;
}

// The output folder, made with its parents when missing, must take files:
// refused before any request otherwise, with the system's reason.
bool TCliRun::EnterFolder()
{
    const QString folder = QDir::current().absoluteFilePath(options_.output.isEmpty() ? QStringLiteral(".")
                                                                                      : options_.output);
    const std::filesystem::path path(folder.toStdString());
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error && !QDir::setCurrent(folder))
        error = std::make_error_code(std::errc::not_a_directory);
    if (error) {
        Message(Say(english_, "Mape %1 ni mogoče uporabiti: %2", "Cannot save into %1: %2")
                    .arg(QDir::cleanPath(folder), QString::fromStdString(error.message())));
        return false;
    }
    // Whether a file can be made there (permissions, a read-only mount, a
    // full disk) is tried, not guessed.
    if (const QString refusal = SaveFolderRefusal(english_); !refusal.isEmpty()) {
        Message(refusal);
        return false;
    }
    return true;
}

// The addresses of the command line, each saved into the folder as it is;
// then the input's pages as a list download saves them.
void TCliRun::RunPages(const QStringList &inputPages)
{
    for (const QString &address : options_.addresses) {
        if (endSignal_)
            return;
        if (LoadPage(address))
            TakeLinks({});
    }
    if (!inputPages.isEmpty() && !endSignal_) {
        TCliListPages pages(*this, inputPages);
        TListRunner(pages).Run(0);
    }
}

// The address as a page of its own: without a scheme an http one.
bool TCliRun::LoadPage(const QString &address)
{
    ++pages_;
    TPageChoice choice;
    choice.find = TFind(settings_.find);
    choice.modern = settings_.modernPages;
    choice.typeFilter = options_.type;
    choice.english = english_;
    loaded_ = saver_.LoadPage(QString::fromUtf8(FullAddress(address, "http://")), choice, history_);
    if (!loaded_ && !endSignal_)
        ++pagesFailed_;
    if (loaded_ && !saver_.Links().isEmpty())
        ++pagesWithFiles_;
    return loaded_;
}

// The links of the page just loaded: printed, or saved.
void TCliRun::TakeLinks(const QByteArray &folderPrefix)
{
    if (!loaded_ || endSignal_ || saver_.Links().isEmpty())
        return;
    if (options_.list) {
        for (const QByteArray &link : saver_.Links())
            WriteLogLine(QString::fromUtf8(link));
        return;
    }
    folderRefused_ = saver_.SaveLinks(settings_, folderPrefix, english_).folderRefused || folderRefused_;
}

int TCliRun::Status() const
{
    if (endSignal_)
        return ExitStatusOfSignal(endSignal_);
    if (CaughtEndSignal())
        return ExitStatusOfSignal(CaughtEndSignal());
    if (folderRefused_ || failedOutside_)
        return 2;
    if (saver_.Totals().failed > 0)
        return 1;
    if (pagesFailed_ > 0)
        return pagesFailed_ == pages_ ? 2 : 1;
    return pagesWithFiles_ > 0 ? 0 : 3;
}

// The log on standard output; with --list (which keeps standard output for
// the addresses) and -v on standard error, with -q nowhere.
void TCliRun::Log(const QString &line)
{
    if (options_.verbosity < 0 || (options_.list && options_.verbosity == 0))
        return;
    if (options_.list) {
        Message(line);
        return;
    }
    // The progress line steps aside only where the log shares its terminal.
    const bool aside = progress_ && logOnTerminal_;
    if (aside)
        progress_->Suspend();
    WriteLogLine(line);
    if (aside)
        progress_->Resume();
}

void TCliRun::Message(const QString &text)
{
    if (progress_)
        progress_->Suspend();
    WriteMessage(text);
    if (progress_)
        progress_->Resume();
}

// -v, the second line: the settings of galleries.
QString TCliRun::GallerySettingsText() const
{
    const QString none = Say(english_, "brez", "none");
    return Say(english_, "Galerije: strani %1, najmanjša slika %2x%3, čakanje %4 s, omejitev hitrosti %5, piškotki %6",
               "Galleries: pages %1, least picture %2x%3, wait %4 s, speed cap %5, cookies %6")
        .arg(settings_.pages)
        .arg(settings_.minWidth)
        .arg(settings_.minHeight)
        .arg(settings_.wait)
        .arg(settings_.rateLimit > 0 ? QString::number(settings_.rateLimit) + QStringLiteral(" KiB/s") : none)
        .arg(settings_.cookies.isEmpty() ? none : settings_.cookies);
}

// -v: where the files go and the settings in force.
void TCliRun::TellSettings() const
{
    const auto onOff = [this](bool on) { return on ? Say(english_, "da", "on") : Say(english_, "ne", "off"); };
    static const char *const kFind[] = {"links", "embedded", "both"};
    QString text = Say(english_, "Mapa: %1", "Folder: %1").arg(QDir::currentPath()) + u'\n';
    text += Say(english_,
                "Nastavitve: find %1, vrsta %2, sodobno branje %3, hkrati %4, povezave odprte %5, "
                "preskok shranjenih %6, časovna omejitev %7 s, počasni prenos %8 s, posrednik %9, HTTP/2 %10",
                "Settings: find %1, type %2, modern %3, parallel %4, keep-alive %5, skip saved %6, "
                "time-out %7 s, low speed %8 s, proxy %9, HTTP/2 %10")
                .arg(QLatin1String(kFind[settings_.find]), CliTypeNames().value(options_.type),
                     onOff(settings_.modernPages), QString::number(settings_.parallel), onOff(settings_.keepAlive),
                     onOff(settings_.skipSaved), QString::number(settings_.timeOut),
                     QString::number(settings_.lowSpeed),
                     settings_.proxy ? settings_.proxyHost + u':' + settings_.proxyPort : onOff(false))
                .arg(onOff(settings_.http2));
    text += u'\n' + GallerySettingsText();
    WriteMessage(text);
}
