// One run of grabulo-cli: the options in, the pages loaded one after the
// other, their files saved into the output folder (or their addresses
// printed), the log on standard output, messages on standard error, a
// progress line on a terminal, and the exit status out. Nothing is written
// to the stored settings.
#pragma once

#include "cli/cli_options.h"
#include "core/page_saver.h"

#include <QObject>

#include <memory>

class TProgressLine;

class TCliRun final : public QObject {
    Q_OBJECT
public:
    TCliRun(TCliOptions options, bool english);
    ~TCliRun() override;

    // The exit status: 0 every file saved, 1 a file or a page failed, 2
    // nothing could be done, 3 no file of the type on any page; 128 and the
    // signal's number when one ended the run.
    int Run();
    // SIGINT, SIGTERM or SIGHUP: what is in transfer ends, no page follows.
    void EndBySignal(int signal);

    // The pages of an input file's text: one a line, without blank lines
    // and lines starting with "#".
    static QStringList InputPages(const QByteArray &text);

private:
    friend class TCliListPages;
    bool Prepare(QStringList &inputPages);
    bool ReadInput(QStringList &pages);
    bool UsePassword();
    bool EnterFolder();
    void RunPages(const QStringList &inputPages);
    bool LoadPage(const QString &address);
    void TakeLinks(const QByteArray &folderPrefix);
    int Status() const;
    void Log(const QString &line);
    void Message(const QString &text);
    void TellSettings() const;
    QString GallerySettingsText() const;

    TCliOptions options_;
    bool english_;
    TPageSaver saver_;
    TSettingsValues settings_;
    QStringList history_;
    std::unique_ptr<TProgressLine> progress_;
    bool logOnTerminal_ = false;  // standard output is a terminal too
    int endSignal_ = 0;
    int pages_ = 0;            // pages asked for
    int pagesFailed_ = 0;      // that gave nothing to save from
    int pagesWithFiles_ = 0;   // that linked to a file of the type
    bool loaded_ = false;      // the last page gave its links
    bool failedOutside_ = false;  // a failure of no page or file ended the run
    bool folderRefused_ = false;  // the folder stopped taking files
};
