// A command-line run that nobody watches: "grabulo ADDRESS FOLDER [USER
// PASSWORD] start exit" goes through the engine alone and makes no window.
// It writes what the window's run writes (the log on standard output, the
// messages on standard error, the files, "dl.ini", "error.log", the
// settings of the start and of the closing) and ends with its exit status.
#pragma once

#include "core/page_saver.h"
#include "core/settings/settings.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The positional command line: address, folder, then "start" ["exit"], or
// user, password ["start" ["exit"]].
struct TCommandLine {
    QString address;
    QString folder;
    bool credentials = false;  // the third and fourth are a user and a password
    QString user;
    QString password;
    bool start = false;  // "start": load the page and save all it links to
    bool exit = false;   // "exit": nobody is at the window; close when done

    static TCommandLine Of(const QStringList &arguments);
};

class TUnattendedRun final : public QObject {
    Q_OBJECT
public:
    TUnattendedRun();
    ~TUnattendedRun() override;

    // The whole run, from the start's settings to the closing's; the exit
    // status: 0 every picked file saved (or deleted by the empty-file and
    // size rules), 1 at least one failed, 2 nothing could be done (folder,
    // address or page), 3 the page held no file of the chosen type;
    // 128 and the signal's number when SIGINT, SIGTERM or SIGHUP ended it.
    int Run(const TCommandLine &line);
    // One of those signals came: what is in transfer ends as Disconnect
    // ends it, and nothing more starts.
    void EndBySignal(int signal);

private:
    void Start();
    void RunCommandLine(const TCommandLine &line);
    void Download(const QString &address);
    void Close();
    void Log(const QString &line);

    TPageSaver saver_;
    TSettings settings_;
    QStringList history_;
    int status_ = 0;
    bool started_ = false;
    int endSignal_ = 0;
};
