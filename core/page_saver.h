// Loading a page and saving every file it links to, with no window: the
// steps of the window's Load page and Save pictures as a run that nobody
// watches takes them (the unattended run, grabulo-cli). It owns the page
// and file clients, the page loader and the batch runner. Log lines and
// messages come out as signals; what became of the files is added up over
// every batch of the run.
#pragma once

#include "core/download/batch_runner.h"
#include "core/scan/page_loader.h"
#include "core/scan/page_walk.h"
#include "core/settings/settings.h"
#include "net/http_client.h"

#include <QObject>
#include <QStringList>

#include <optional>

// What a page is searched for.
struct TPageChoice {
    TFind find = TFind::Links;
    bool modern = false;
    int typeFilter = 0;
    bool english = false;
};

class TPageSaver final : public QObject {
    Q_OBJECT
public:
    TPageSaver();
    ~TPageSaver() override;

    // The settings in force go to both clients; the cookies file is read
    // by the next LoadPage.
    void Apply(const TSettingsValues &values);
    // The cookies file in force read into the clients' jar, unless it is
    // the one read last; false (said in the log and a message) when it
    // cannot be read. LoadPage does it first.
    bool ReadCookies(bool english);
    // The credentials of every page from now on; the files get them only
    // from the page's own origin.
    void SetCredentials(const QString &user, const QString &password);

    // Load page: what is in transfer ends and the link list empties; the
    // typed address (its scheme, else the one in use) is asked for; the
    // address as typed joins the history when the page came, and the
    // page's links are the link list, then those of its next pages as far
    // as the setting "pages" allows (page_walk.h). False when there is no
    // page to save from, or the cookies file in force cannot be read (said
    // in the log and a message, before any request).
    bool LoadPage(const QString &typed, const TPageChoice &choice, QStringList &history);
    // The link list, without repeats.
    const QList<QByteArray> &Links() const { return links_; }
    // The page's address as it answered, with its scheme.
    QByteArray PageAddress() const;

    // Save pictures: one batch over every link, each file named after its
    // address with the folder prefix in front, the page as referer; first
    // the start delay of the settings, if any.
    TBatchEnd SaveLinks(const TSettingsValues &values, const QByteArray &folderPrefix, bool english);

    // Disconnect: what is in transfer ends, the batch takes no further file
    // and the link list empties.
    void Disconnect();
    // The connections closed at the end of the run.
    void Close();

    // The files of every batch so far: saved, failed (given up, or left
    // over when a batch broke off) and skipped as saved before.
    const TBatchTally &Totals() const { return totals_; }
    const TBatchRunner &Runner() const { return runner_; }
    TBatchRunner &Runner() { return runner_; }

signals:
    void LogLine(const QString &line);
    // A message a window would show in a box.
    void Message(const QString &text);

private:
    void ShowFailure(const TPageResult &result);
    bool WaitForTheDelay(qint32 minutes);
    void Log(const QString &line) { emit LogLine(line); }

    THttpClient pages_;  // pages: the body stays in memory
    THttpClient files_;  // files: the body goes straight into a file
    TPageLoader loader_;
    TPageWalk walk_{loader_};
    TBatchRunner runner_;
    QString address_;                // the address box: without its scheme
    QByteArray prefix_ = "http://";  // and the scheme it is asked with
    QList<QByteArray> links_;
    TBatchTally totals_;
    bool waitBroken_ = false;              // a Disconnect came during the start delay
    QString cookiesFile_;                  // the cookies file in force
    qint32 wait_ = 0;                      // the "wait" in force
    qint32 pageCount_ = 1;                 // the "pages" in force
    TSettingsValues values_;               // in force: for the connections made while a page loads
    std::optional<QString> cookiesRead_;   // the one read into the jar
};

// The last line of a run: "Files saved: 3, failed: 1." (", skipped: 2"
// only when files were skipped as saved before), in the language in force.
QString RunSummary(const TBatchTally &totals);
