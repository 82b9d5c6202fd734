// The main window. Its controls carry the names the rest of the program
// uses (Combo1, List2, Memo3 ...); its commands are members defined in the
// folder of the subsystem that owns them: address helpers and scanning in
// scan/, downloads in download/, lists in lists/, the shell in app/.
#pragma once

#include "gui/file_dialog.h"
#include "gui/window_state.h"
#include "base/line_file.h"
#include "core/download/batch_progress.h"
#include "core/download/batch_runner.h"
#include "core/scan/page_loader.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class AnchorLayout;
class ColorShape;
class CounterDisplay;
class ListBox;
class MessageLog;
class PaintThrottle;
class PanelStatusBar;
struct TPartLook;
class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QBoxLayout;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QShortcut;
class QTabWidget;
class QTextBrowser;
class QTimer;
class QToolButton;
class THttpClient;
class THttpWorker;
class TPartFile;
class TSavedArchive;
class TPageWalk;
class TSettings;
struct TSettingsValues;
class TSocketConnection;
struct AddressCheck;
struct PageLocation;
struct TBatchFile;
struct TResumePoint;
struct TTransferResult;

class TDLForm final : public QWidget {
    Q_OBJECT
public:
    explicit TDLForm(QWidget *parent = nullptr);
    ~TDLForm() override;

    // A new window's size, with eight lines of log, and the least it can be
    // made: small enough for 1024x600 at scale 1.5 and 1366x768 at 2.0 (the
    // tabs scroll below their design sizes). kUsualFrame: what a window
    // manager adds around the window, for placing it before it is shown.
    static constexpr QSize kDefaultSize{670, 560};
    static constexpr QSize kLeastSize{500, 320};
    static constexpr QSize kUsualFrame{16, 40};

    // --- The message log and small display helpers -------------------------
    // Appends one line to the message log Memo3 and to standard output.
    void Log(const QString &line);
    // The same for a line that tells of a file given up: red in the log.
    void LogFailure(const QString &line);
    // Sets line n (0-based) of the counter display Rich1, if that line exists.
    void SetRich1Line(int n, const QString &text);
    QString Rich1Line(int n) const;
    // The activity light's fill colour.
    void SetShape1Color(const QColor &color);
    QColor Shape1Color() const;

    // --- Address helpers -----------------------------------------------------
    // Splits a page address into AddressHost, AddressPath, AddressFile and
    // the folder lines of Memo1.
    void LociNaslov(const QByteArray &address);
    // LociNaslov of the address box, and AddressScheme: the box's own
    // scheme if it has one, else its label's.
    void SplitPageAddress();
    // The prefix the address box's label shows, "http://" or "https://",
    // and setting it.
    QByteArray AddressPrefix() const;
    void SetAddressPrefix(const QByteArray &prefix);
    // The address box's own scheme, if it has one, goes to its label and out
    // of the box; a bare domain gains its "/".
    void TakeAddressScheme();
    // An entry picked from the box's history sets the label's scheme.
    void Combo1Pick(int index);
    // The user typed or dropped into the box: an address without a scheme
    // of its own is an http one, whatever page came before.
    void AddressTyped();

    // --- Link scanner ---------------------------------------------------------
    void ObdelajHTML();      // List1 := the href values of Memo2
    void ObdelajHTMLImg();   // List1 := the img src values of Memo2
    // Appends the admitted links of List1, resolved on the address box's
    // address, to List2; when List2 stays empty: the log line, step 1 and
    // Disconnect.
    void ObdelajPovezave();
    QByteArray ObdelajEnoPovezavo(const QByteArray &raw) const;
    // The location of the page in Memo2: the address box's.
    PageLocation CurrentPage(bool modern) const;
    void OdstraniDuplikatneVrstice(ListBox *list);

    // --- Page load ------------------------------------------------------------
    void Button2Click();                       // Load page
    void Combo1KeyUp(int key);                 // Enter: the short page load
    // A page request from the controls: the address box and its label, the
    // modern scan, the type filter in force, the language, List2's count.
    TPageRequest PageRequest(TFind find) const;
    // Loads and scans the page; tells of a failure that ends the command,
    // else shows Memo2, the history, the final address and List1.
    TPageResult LoadPage(TPageRequest request);
    void ShowPageLinks(const TPageResult &result);       // List2, or "nothing found"
    void ReportAbandonedLoad(const TPageResult &result);
    void ReportPageFailure(const TPageResult &result);   // last log line and a message
    // The typed address to the history, then the final address to the box.
    void RecordTypedAddress(const TPageResult &result);
    TPageLoader *PageLoader = nullptr;         // drives HTTP1
    TPageWalk *PageWalk = nullptr;             // the next pages, with PageLoader
    void Button3Click();                       // scan "test.html" of the current folder
    void Combo1Change();
    void Button5Click();                       // Clear history
    // The page loader's events, one log line each.
    void HTTP1HostResolved(const QString &line);
    void HTTP1Connect(const QString &line);
    void HTTP1ConnectionFailed(const QString &line);
    void HTTP1InvalidHost(const QString &line);
    void HTTP1Failure(const QString &line);
    void HTTP1Disconnect(const QString &line);
    void HTTP1Status(const QString &line);
    void HTTP1Success(const QString &line);
    // The address in the box joins its history: an https page with its
    // "https://", an http page without a scheme.
    void AddToHistory();
    // The address history of Combo1 to and from "dl.ini" (UTF-8, CR LF).
    void SaveHistory();
    void LoadHistory();
    // The address in Combo1 as the bytes that go on the wire.
    QByteArray AddressBytes() const;
    // The last Load page received the page (no socket error, no error status).
    bool PageLoaded = false;

    // --- Link list commands -------------------------------------------------
    void SpeedButton3Click();   // select all, step 4
    void SpeedButton2Click();   // select every second, step 4
    void SpeedButton4Click();   // reverse, step 4
    void ObrniList2();          // reverse the order of List2; nothing stays selected
    void List2KeyUp(int key, Qt::KeyboardModifiers modifiers);
    void List2Click();
    void List2MouseMove(const QPoint &viewportPos);
    void SpeedButton5Click();   // paste an address into Combo1
    void Edit4DblClick();
    void Button6Click();
    void Combo2Change();

    // --- Step indicator and interrupts ---------------------------------------
    // Shows step picture n (1 to 5) alone; any other n hides all five.
    void PokaziStevilko(int n);
    // Empties the status panel, List1, Memo1, Memo2, List2 and Rich1's lines.
    void OcistiSeznam();
    void Button18Click();   // Stop: ends the transfer, keeps the links
    void Button1Click();    // Disconnect: ends the transfer and the batch, keeps the link list
    void DisconnectAndEmpty();  // what Disconnect did before: also empties the lists

    // --- Downloads ---------------------------------------------------------
    // Downloads one address into the file named by HTTP2->Body, after the
    // naming rules. The body goes into a hidden temporary file in the save
    // folder, which gets the final name only when the transfer succeeded.
    // Time-outs, resets and short bodies are retried (five attempts in
    // all); every failed file is logged with its reason and recorded in
    // error.log.
    void ZDownloadaj(const QByteArray &address, int attempt);
    // The engine of Save pictures: the window builds its request from the
    // controls and shows what its signals tell (download/dlform_batch.cpp).
    TBatchRunner Batch;
    // The transfer slots of a batch of several files at once (the setting
    // "parallel"), each a thread with its own file client; made as needed.
    QList<THttpWorker *> Workers;
    // Ends every transfer running on Workers; each file ends as stopped.
    void CancelWorkers();
    void Button4Click();   // Save pictures: at once, or after the start delay
    void Timer1Timer();    // the start delay has passed
    void ShraniSlike();    // one batch over the selected lines of List2
    void HTTP2PacketRecvd(TSocketConnection *Sender);
    void HTTP2Success(THttpClient *Sender, quint8 Cmd);
    void HTTP2AboutToSend(TSocketConnection *Sender);
    // What became of the files of the running (or last) batch.
    TBatchTally &Tally = Batch.tally;
    // The end of a batch in the status panel and the log: "Download
    // finished." or "Download interrupted." with the tally.
    void ShowBatchEnd(bool interrupted);
    void CheckBox2Click();   // shows or hides the preview
    void Button181Click();   // opens the save folder

    // --- The end of a batch (download/dlform_batch_end.cpp) -----------------
    // BEGIN batch end members
    // While a batch runs: its files and bytes done of all, beside the
    // current file's progress; hidden otherwise.
    QProgressBar *TotalProgress;
    // After a batch (or a list download) with failed files: the first of
    // them and Retry failed and Open folder. Hidden as the next batch or
    // page load starts; never shown in a command-line run.
    QFrame *FailedPanel;
    QLabel *FailedList;
    QPushButton *RetryFailedButton, *OpenFolderButton;
    struct FailedFile {
        QByteArray address;
        QByteArray folderPrefix;  // the batch's, so that a retry names it the same
    };
    QList<FailedFile> FailedFiles;  // of the last batch, or of all pages of a list download
    // Several batches that end with one summary (a list download's pages,
    // a retry over several folder prefixes): their tallies add up here.
    bool SumBatches = false;
    TBatchTally RunTotals;
    bool RunInterrupted = false;
    QByteArray BatchPrefix;  // the running batch's folder prefix
    // Draws the user's eye to the window (the taskbar's urgency hint);
    // replaceable by tests.
    std::function<void(QWidget *)> AlertUser;
    void BuildBatchEndArea(QBoxLayout *sheet);
    void ShowTotalProgress(const TBatchProgress &progress);
    void HideBatchEnd();           // the failed files' panel goes
    void BeginBatchEnd();          // a batch starts: the last one's failures go, unless summing
    void EndOfBatch(const TBatchEnd &end);
    // The summary of batches summed: the status panel and the log, then
    // the failed files' panel and the alert.
    void ShowRunEnd(const QStringList &texts);
    void ShowFailedFiles();
    void AlertIfInactive();
    // A batch over the picked lines of List2, or over these files (one
    // folder prefix) in their place.
    void RunBatch(const QList<FailedFile> &files);
    void RetryFailedClick();       // a new batch of the failed files only
    void OpenFolderClick();        // the save folder, as Button181
    // END batch end members

    // --- Busy state (app/dlform_busy.cpp) -----------------------------------
    // While a page loads, a batch runs or a list download runs, the commands
    // that would start other work are disabled; Stop, Disconnect and Abort
    // all stay available. Called whenever one of them starts or ends.
    void ShowBusyState();
    // A page load the user asked for (Load page, Enter in the address box).
    bool PageLoading = false;
    // The user's Load page and Start!, and closing the window: during a
    // batch they ask first whether to stop it. No leaves the batch alone;
    // Yes stops it as Disconnect does, and the command runs once the batch
    // has wound down. The program's own calls go to Button2Click and
    // Button14Click directly and never ask.
    void LoadPageCommand();
    void LoadPageKey(int key);
    void StartListCommand();
    // The page list's Get pages and Get sub-folders (button or Enter), as
    // a page load; refused with a log line while anything runs.
    void PageListCommand(const std::function<void()> &load);
    // True when nothing is running or the user agreed to stop the batch.
    bool AskToStopBatch();
    // Disconnects and runs the command once the batch has ended.
    void StopBatchThen(std::function<void()> command);
    // Run by the batch as it ends; empty when nothing waits.
    std::function<void()> AfterBatch;

    // --- Lists (defined in lists/) --------------------------------------------
    // BEGIN lists members
    // List files: the Lists menu and the page list's save button.
    void Button9Click();    // shows PopupMenu1 beside the Lists button
    void P1Click();         // List2 from a text list file
    void P2Click();         // List2 by scanning an HTML list file
    void P3Click();         // List2 to a text list file
    void P4Click();         // List2 to an HTML list file
    void P5Click();         // the Create List window, modally
    void Button19Click();   // List3 to a text list file
    // List download: building the page list.
    void Button13Click();   // the HTML pages linked from Edit7
    void Button15Click();   // the sub-folder links of Edit7 (List3 sorted from then on)
    void SpeedButton1Click();   // Edit7 := the clipboard's text
    void SpeedButton6Click();   // List3 := the clipboard's lines
    void Button17Click();   // List3 := the lines of a text file
    void Edit7KeyUp(int key);
    void List3DblClick();
    void List3KeyUp(int key, Qt::KeyboardModifiers modifiers);
    void List3MouseMove(const QPoint &viewportPos);
    void List3Dropped(const QList<QByteArray> &lines);  // added at the end
    // List download: the run.
    void Button14Click();   // Start!: every page from the start index on
    void Button16Click();   // Abort all
    void PokaziSteviloStrani();   // Label9 := the number of entries of List3
    // END lists members

    // --- Shell ---------------------------------------------------------------
    // The interface language: EnglishUI first, then every worded control.
    void SLOClick();
    void ENGClick();
    void Button7Click();   // switches to the other language
    struct LanguageRow {
        QObject *control;
        bool hint;          // the pop-up hint rather than the caption
        const char *slovene;
        const char *english;
    };
    // The worded controls of the three windows, in the order they are set:
    // the table, then BoundWording.
    QList<LanguageRow> LanguageTable() const;
    // Controls worded where they are made (BindSetting with a caption).
    QList<LanguageRow> BoundWording;

    // The Settings tab.
    // The settings in force: loaded by FormCreate, shown in this tab's
    // controls, each control writing its field back as it changes; the
    // clients and the engine take them from here, never from a control.
    TSettings *Settings = nullptr;
    // Each control bound to a field (BindSetting) shows it from here.
    QList<std::function<void()>> SettingsViews;
    TSettingsValues SettingsSnapshot() const;
    void ShowSettings();            // the values in force into the controls
    // Time-out, proxy, persistent connections and slow-transfer limit of
    // the values in force to both clients; run on every change.
    void ApplySettingsToClients();
    void CheckBox1Click();   // proxy on: Edit1 and Edit5 to both clients; off: no proxy host
    void CheckBox7Click();
    void ShowTypeFilters();   // the modern page scan on or off: the type lists follow, the setting is stored
    void CheckBox6Click();   // persistent connections of both clients, on or off
    QCheckBox *CheckBox8;    // skip pictures already saved (the archive of saved files)
    void Edit1Exit();
    void Edit5Exit();
    void Button8Click();     // page credentials to both clients
    void Button10Click();    // pick the target folder
    bool BrowseForFolder(const QString &prompt, QString &folder);
    void Edit6KeyUp(int key);
    void Edit10Change();     // the file time-out, seconds
    void Edit13Change();     // the start delay, minutes: checked only
    void Edit12Change();     // the size limit, bytes: a number is kept as SizeLimitText
    void Edit12Exit();       // a size limit that is not a number goes back to SizeLimitText
    QString SizeLimitText = QStringLiteral("0");  // the last size limit that was a number
    void CheckBox3Click();   // the referer of both clients
    void Button12Click();    // save the settings for the next start
    void Button11Click();    // start another copy with address, folder, credentials
    void Memo3DblClick();    // empty the message log
    // "Grabulo - " and the current folder as the window's caption.
    void ShowCurrentFolderInCaption();

    // Start-up and shutdown.
    void FormCreate();    // restores the settings and the address history
    // The command line: address, folder, then "start" ["exit"], or user,
    // password ["start" ["exit"]].
    // Whatever goes wrong, "exit" closes the window; when "start" was given
    // the last log line says how many files were saved and how many failed.
    void FormShow(const QStringList &arguments);
    // The exit status of a command-line run: 0 every picked file saved (or
    // deleted by the empty-file and size rules), 1 at least one failed, 2
    // nothing could be done (address, folder or page), 3 the page held no
    // file of the chosen type. 0 when the command line started nothing.
    // A run ended by SIGINT, SIGTERM or SIGHUP: 128 and the signal's number.
    int CommandLineExitStatus() const;
    // One of those signals arrived: a command-line run with "exit" ends as
    // Disconnect ends it; else the window closes as its close button does.
    void EndBySignal(int signal);
    bool ClosedBySignal() const { return ClosingBySignal; }
    void FormActivate();  // the one-time set-up at the first activation
    void FormClose();     // stores geometry, preview, language, statistics
    void TabSheet3Show(); // the statistic sentence

    // The About tab.
    QString DLInstaliranDni() const;
    QString DLTekelMinut() const;
    qint32 DLSteviloSlik() const;
    void TarvoFreeware();
    void Label4Click();
    void Label14Click();
    void Label15Click();
    void Image6Click();
    void Image8Click();
    void Button30Click();  // help, as F1
    // help.htm beside the program in the desktop's browser; where none takes
    // it, in the program's own help window, HelpWindow.
    void ShowHelp();
    static QString HelpFile();
    QTextBrowser *HelpWindow = nullptr;
    QShortcut *HelpKey;  // F1
    void Button180Click();
    void StatusBar1Click();

    // The Download zone tab became visible: the focus goes to Combo1.
    void TabSheet1Show();

    // --- Controls -------------------------------------------------------------
    QTabWidget *PageControl1;
    QWidget *TabSheet1, *TabSheet2, *TabSheet3, *TabSheet4;
    PanelStatusBar *StatusBar1;

    // Download zone
    QFrame *Panel1, *Panel2, *Panel3;
    QScrollArea *WorkArea;  // holds Panel2; scrolls when the window is small
    QWidget *SettingsContents;  // the Settings tab's groups, in a scroll area
    QLabel *Label1;
    QComboBox *Combo1;
    QToolButton *SpeedButton5;
    QComboBox *Combo2;
    QCheckBox *CheckBox5;   // hidden: ticked exactly when the choice below is Embedded
    QCheckBox *CheckBox7;   // find responsive and lazy-loaded pictures (the modern page scan)
    // What Load page takes: links, embedded pictures or both, kept as the
    // setting "find"; the buttons' ids are the TFind values.
    QLabel *LabelFind;
    QRadioButton *RadioLinks, *RadioEmbedded, *RadioBoth;
    QButtonGroup *FindGroup;
    TFind FindChoice() const;
    void FindChoiceClick();   // a choice made: CheckBox5 follows, the setting is stored
    void CheckBox5Click();    // CheckBox5 set (by code too): the choice follows
    void ShowFindChoice(int find);
    void WireFindChoice();
    QPushButton *Button2, *Button5, *Button18, *Button1, *Button3, *Button6;
    ListBox *List2;
    QToolButton *SpeedButton3, *SpeedButton4, *SpeedButton2;
    QLabel *Label10;
    QLineEdit *Edit4;
    QCheckBox *CheckBox2;
    QPushButton *Button4, *Button9, *Button181;
    ColorShape *Shape1;
    QLabel *Image1, *Image2, *Image3, *Image4, *Image5;
    QLabel *Label5;
    MessageLog *Memo3;
    CounterDisplay *Rich1;
    PanelStatusBar *Status1;

    // Hidden scratch buffers.
    QList<QByteArray> List1;   // raw links while scanning
    QList<QByteArray> Memo1;   // folder names of the last split address
    QByteArray Memo2;          // the text of the loaded page
    QList<QByteArray> &Memo4 = Batch.errorLog.entries;  // the error log written to "error.log"
    QList<QByteArray> List5;   // the HTML list being written
    QString Edit8;             // clipboard scratch field
    QString Memo6;             // clipboard paste buffer of the list download

    // List download
    QFrame *Panel4;
    QLabel *Label8;
    QLineEdit *Edit7;
    QToolButton *SpeedButton1;
    QPushButton *Button16, *Button13, *Button15;
    QComboBox *Combo3;
    ListBox *List3;
    QToolButton *SpeedButton6;
    QLabel *Label9;
    QPushButton *Button19, *Button14, *Button17;
    QLabel *Label11;
    QLineEdit *Edit9;

    // Settings
    QGroupBox *GroupBox1, *GroupBox2, *GroupBox3, *GroupBox4, *GroupBox5, *GroupBox6, *GroupBox7,
        *GroupBox8, *GroupBox9;
    QPushButton *Button7;
    QCheckBox *CheckBox1;
    QLineEdit *Edit1, *Edit5;
    QCheckBox *CheckBox6;   // keep connections open
    QLabel *Label25;        // caption of SpinEdit1
    QSpinBox *SpinEdit1;    // downloads at once, 1 to 8
    QLabel *Label26;        // caption of SpinEdit2
    QSpinBox *SpinEdit2;    // "lowspeed": seconds below 1 KiB/s that break a transfer off, 0 off
    void SpinEdit2Change(); // the slow-transfer limit to both clients
    // Cookies and waiting (gui/dlform_cookies.cpp).
    QGroupBox *GroupBoxCookies;
    QLabel *LabelCookies, *LabelWait;
    QLineEdit *EditCookies;   // "cookies", read-only
    QPushButton *ButtonCookies, *ButtonCookiesClear;
    QSpinBox *SpinWait;       // "wait": seconds between two requests to one host
    // "Pictures": the least width and height of a picture kept, in pixels
    // ("minwidth", "minheight"; 0 no limit).
    QGroupBox *GroupBoxPictures;
    QLabel *LabelMinWidth, *LabelMinHeight;
    QSpinBox *SpinMinWidth, *SpinMinHeight;
    void BuildPicturesGroup();
    // "Pages": how many pages in all a Load page takes by following each
    // page's next page ("pages", 1: the page alone).
    QGroupBox *GroupBoxPages;
    QLabel *LabelPages;
    QSpinBox *SpinPages;
    void BuildPagesGroup();
    // "Speed": the cap of all the downloads at once, KiB/s ("ratelimit"; 0
    // none) (gui/dlform_speed.cpp).
    QGroupBox *GroupBoxSpeed;
    QLabel *LabelRateLimit;
    QSpinBox *SpinRateLimit;
    QCheckBox *CheckBoxHttp2;  // "http2": the files of one https server as streams of one connection
    void BuildSpeedGroup();
    QLineEdit *Edit10;
    QLabel *Label12;
    QLineEdit *Edit13;
    QLabel *Label16;
    QCheckBox *CheckBox4;
    QLineEdit *Edit12;
    QLabel *Label13;
    QPushButton *Button11;
    QLabel *Label6, *Label7;
    QLineEdit *Edit2, *Edit3;
    QPushButton *Button8;
    QCheckBox *CheckBox3;
    QLineEdit *Edit11;
    QLineEdit *Edit6;
    QPushButton *Button10, *Button12;

    // About
    QFrame *Panel5;
    QLabel *Image8, *Label2, *Label3, *Image6;
    QPlainTextEdit *Memo5;
    QLabel *RichEdit1, *RichEdit2;
    QLabel *Label15, *Label4, *Label14;
    QPushButton *Button180;
    QLabel *Image7;
    QPushButton *Button30;

    // Non-visual components
    QMenu *PopupMenu1;
    QAction *P1, *P2, *N1, *P3, *P4, *N2, *P5;
    TFileDialog OpenDialog1, SaveDialog1, OpenDialog2, SaveDialog2;
    QTimer *Timer1;
    THttpClient *HTTP1;   // pages: the body stays in memory
    THttpClient *HTTP2;   // files: the body goes straight into a file
    PaintThrottle *Repaints;  // at most one repaint of the window per frame

protected:
    void closeEvent(QCloseEvent *event) override;
    // Text or an address dropped on the window goes into the address box
    // (scan/dlform_address.cpp).
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void BuildWindow();
    void BuildDownloadTab();
    void BuildDownloadWorkArea();
    void BuildDownloadBottomRow(AnchorLayout *area);
    void BuildStepPictures(AnchorLayout *area);
    void BuildMessageArea();
    void BuildListTab();
    void BuildSettingsTab();
    void BuildSettingsRightColumn();
    // "Cookies and waiting" (gui/dlform_cookies.cpp): the cookies file in
    // force, read before a page load when it changed; false (said in the log
    // and the status bar) when it cannot be read.
    void BuildCookiesGroup();
    bool ReadCookiesForLoad();
    std::optional<QString> CookiesRead;  // the file in the clients' jar
    void BuildAboutTab();
    void BuildAboutLinks();
    void BuildNonVisual();
    // Signal wiring, all in app/dlform_wiring.cpp.
    void WireSignals();
    void WireLinkList();
    void WirePageLoad();
    void WireHttp1();
    void WireHttp2();
    void WireDownloads();
    void WireLists();
    void WireSettings();
    void ChangeSettings(const std::function<void(TSettingsValues &)> &edit);  // one field, by its control
    void WireAbout();
    void RestoreProxy();
    void RunCommandLine(const QStringList &arguments);
    void RunCommandLineDownload();
    qint32 CommandLineSaved() const;
    qsizetype CommandLineFailed() const;
    qint32 CommandLineSkipped() const;
    QString CommandLineSummary() const;
    // The tally of the command line's "start".
    struct CommandLineRun {
        bool started = false;        // "start" was given
        int status = 0;              // see CommandLineExitStatus
        qint32 savedBefore = 0;      // RunPictureCount before the batch
        qsizetype failedBefore = 0;  // entries of Memo4 before the batch
        qsizetype selected = 0;      // the files the batch was asked for
        bool exitAfter = false;      // "exit" was given: nobody is at the window
        int endSignal = 0;           // the signal that ended the run, 0 none
    };
    CommandLineRun Unattended;
    // SIGTERM or SIGHUP closes the window: the close button's path without
    // its question (nobody may be there to answer), then exit status 0.
    bool ClosingBySignal = false;
    // The user's choices are stored as they change (from FormShow on, in a
    // window that stays open).
    bool StoreChoicesAtOnce = false;
    void ShutDownHttpClients();
    QString DonationAddress() const;
    void HighlightLink(QLabel *hovered);
    void ApplyLanguage(bool english);
    // Every label and button of the three windows as wide as its caption.
    void FitAllCaptions();
    // Save pictures (download/dlform_batch.cpp, dlform_batch_request.cpp).
    TBatchRequest BatchRequest() const;
    void WireBatchRunner();
    void ShowAnnouncement(const QByteArray &address, const QByteArray &file, int k, qsizetype count);
    void ShowBatchProgress(const TBatchProgress &progress);
    void ShowSerialProgress(const TBatchProgress &progress);
    THttpWorker *WorkerForSlot(int slot);
    int ParallelSlots() const;
    void PreviewSavedFile(const QByteArray &name);
    int BatchSlots = 1;              // the running batch's slots
    qint64 ShownBatchBytes = -1;     // the bytes its progress showed last
    void ConfigureHttpClients();
    void ShowNewestLogLine();
    void InitSharedState();
};
