#include "core/page_saver.h"

#include "core/download/batch_progress.h"
#include "core/scan/address_helpers.h"
#include "core/scan/address_history.h"
#include "core/scan/link_scanner.h"
#include "core/settings/client_settings.h"
#include "core/shared_state.h"
#include "net/event_pump.h"

#include <QDeadlineTimer>
#include <QTimer>

TPageSaver::TPageSaver() : loader_(pages_)
{
    ConfigureHttpClients(pages_, files_);
    runner_.SetClients(&files_, &pages_);
    loader_.FollowLanguage([] { return EnglishUI != 0; });
    loader_.ConnectLog(this, [this](const QString &line) { Log(line); });
    walk_.SetPace([this](const QByteArray &address) { return runner_.PaceRequest(address, wait_); });
    connect(&walk_, &TPageWalk::LogLine, this, [this](const QString &line) { Log(line); });
    connect(&runner_, &TBatchRunner::LogLine, this, [this](const QString &line, bool) { Log(line); });
    // The batch's connections are made while the page loads: asked for as
    // the page's request is about to go (the workers' threads start without
    // waiting, so this never holds the page back).
    connect(&loader_, &TPageLoader::PageRequested, this, [this](const QByteArray &address) {
        runner_.Preconnect(address, values_, THttpRequestSettings::Of(files_));
    });
    connect(&runner_, &TBatchRunner::Dialog, this, [this](const QString &text, bool) { emit Message(text); });
}

TPageSaver::~TPageSaver() = default;

void TPageSaver::Apply(const TSettingsValues &values)
{
    ApplySettingsToClients(values, pages_, files_);
    cookiesFile_ = values.cookies;
    wait_ = values.wait;
    pageCount_ = values.pages;
    values_ = values;
}

// The cookies file in force, read before the first page it is in force
// for; a file that cannot be read stops the load before any request.
bool TPageSaver::ReadCookies(bool english)
{
    if (cookiesRead_ && *cookiesRead_ == cookiesFile_)
        return true;
    const TCookiesRead read = ReadCookiesFile(cookiesFile_, pages_, files_, english);
    if (!read.line.isEmpty())
        Log(read.line);
    if (!read.ok) {
        emit Message(read.line);
        return false;
    }
    cookiesRead_ = cookiesFile_;
    return true;
}

void TPageSaver::SetCredentials(const QString &user, const QString &password)
{
    for (THttpClient *http : {&pages_, &files_}) {
        http->HeaderInfo.UserId = user.toUtf8();
        http->HeaderInfo.Password = password.toUtf8();
    }
}

QByteArray TPageSaver::PageAddress() const
{
    return prefix_ + address_.toUtf8();
}

bool TPageSaver::LoadPage(const QString &typed, const TPageChoice &choice, QStringList &history)
{
    Disconnect();
    if (typed.isEmpty() || !ReadCookies(choice.english))
        return false;
    const SchemedAddress schemed = TakeScheme(typed, prefix_);
    prefix_ = schemed.prefix;
    address_ = DodajSlash(schemed.rest);
    TPageRequest request;
    request.address = address_;
    request.prefix = prefix_;
    request.referer = prefix_ + address_.toUtf8();
    request.find = choice.find;
    request.modern = choice.modern;
    request.typeFilter = choice.typeFilter;
    request.english = choice.english;
    if (!runner_.PaceRequest(FullAddress(address_, prefix_), wait_))
        return false;  // ended while it waited
    TPageResult result = loader_.Load(request);
    if (result.outcome == TPageOutcome::Abandoned) {
        ShowFailure(result);
        return false;
    }
    // Only a page that came joins the history.
    if (result.outcome == TPageOutcome::Loaded) {
        history = AddHistoryEntry(history, prefix_, address_);
        WriteAddressHistory(AddressHistoryFile(), history);
        prefix_ = result.finalPrefix;
        address_ = result.finalAddress;
    }
    walk_.Follow(request, result, pageCount_);
    links_ = result.links;
    if (result.nothingFound) {
        Log(NoFilesFoundMessage(choice.english));
        Disconnect();
    }
    OdstraniDuplikatneVrstice(links_);
    if (result.report == TPageFailureReport::AfterScan)
        ShowFailure(result);
    return result.outcome == TPageOutcome::Loaded;
}

// The failure as the window tells it: the last log line and a message; a
// Stop during the host look-up only in a message.
void TPageSaver::ShowFailure(const TPageResult &result)
{
    if (result.report == TPageFailureReport::None)
        return;
    if (result.report != TPageFailureReport::UserAbort)
        Log(result.failure);
    emit Message(result.failure);
}

// At once, or after the settings' start delay, which a Disconnect breaks
// off (then nothing is saved). The page is the files' referer, and the
// page's credentials go only to the page's origin. A file the batch never
// came to counts as failed.
TBatchEnd TPageSaver::SaveLinks(const TSettingsValues &values, const QByteArray &folderPrefix, bool english)
{
    const qint32 savedBefore = RunPictureCount;
    const qsizetype failedBefore = runner_.errorLog.entries.size();
    const qsizetype picked = links_.size();
    TBatchEnd end;
    end.interrupted = true;
    runner_.tally = {};
    if (!ShuttingDown && (values.delay <= 0 || WaitForTheDelay(values.delay))) {
        files_.HeaderInfo.Referer = PageAddress();
        files_.CredentialsOrigin = THttpClient::OriginOf(FullAddress(address_, prefix_));
        TBatchRequest request;
        request.addresses = links_;
        request.folderPrefix = folderPrefix;
        request.settings = values;
        request.sizeLimitText = QString::number(values.sizeLimit);
        request.http = THttpRequestSettings::Of(files_);
        request.english = english;
        BatchRunning = true;
        BatchInterrupted = false;
        end = runner_.Run(request);
        BatchRunning = false;
        Log(BatchEndChoices(runner_.tally, end.interrupted, english).first());
    }
    const qint32 saved = RunPictureCount - savedBefore;
    const qsizetype logged = runner_.errorLog.entries.size() - failedBefore;
    totals_.saved += saved;
    totals_.skipped += runner_.tally.skipped;
    totals_.failed += int(qMax(logged, picked - saved - runner_.tally.skipped));
    return end;
}

// The start delay as the window's timer waits it.
bool TPageSaver::WaitForTheDelay(qint32 minutes)
{
    Log(DelayWaitText(QString::number(minutes), EnglishUI != 0));
    waitBroken_ = false;
    const QDeadlineTimer deadline(qint64(minutes) * 60000);
    QTimer wake;  // the wait's end is an event too
    wake.setSingleShot(true);
    while (!deadline.hasExpired() && !waitBroken_) {
        wake.start(int(qBound(qint64(1), deadline.remainingTime(), qint64(60000))));
        net::PumpEvents(net::PumpMode::WaitForMore);
    }
    return !waitBroken_;
}

void TPageSaver::Disconnect()
{
    waitBroken_ = true;
    walk_.Stop();
    AbortRequested = true;
    if (BatchRunning) {
        BatchInterrupted = true;
        runner_.ListEmptied();
    }
    pages_.Abort();
    files_.Abort();
    runner_.CancelWorkers();
    runner_.BreakWait();
    pages_.Disconnect();
    files_.Disconnect();
    links_.clear();
}

void TPageSaver::Close()
{
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

QString RunSummary(const TBatchTally &totals)
{
    QString line = Wording("Shranjenih datotek: %1, neuspešnih: %2", "Files saved: %1, failed: %2")
                       .arg(totals.saved)
                       .arg(totals.failed);
    if (totals.skipped > 0)
        line += Wording(", preskočenih: %1", ", skipped: %1").arg(totals.skipped);
    return line + u'.';
}
