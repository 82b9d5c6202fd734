// The three windows of the program for one test, built as the main routine
// builds them, with a clean slate around them:
//
//   WindowHarness windows;                    // fresh state, own folder, windows
//   windows.Form()->Button2Click();
//   EXPECT_EQ(windows.LogLines().last(), "...");
//   EXPECT_EQ(windows.SavedFiles(), (QStringList{"a.jpg"}));
//
// On construction: the shared state and the scripted dialogs are reset, a
// fresh empty folder becomes the current folder, and (unless told not to)
// the windows are created and the globals DLForm, CreateList and
// PreviewForm point at them. On destruction: the globals are cleared, the
// windows deleted, the previous current folder restored.
//
// A test that starts the program several times uses createWindows = false
// and calls Create() and Destroy() itself.
#pragma once

#include "tests/support/qt_printers.h"
#include "gui/windows.h"
#include "tests/support/scripted_dialogs.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TDLForm;
class TCreateList;
class TPreviewForm;

struct WindowHarnessOptions {
    // Remove the settings file before and after, so each test is a first start.
    bool clearSettings = false;
    // Remove dl.ini (the address history) and error.log from the program
    // folder before and after.
    bool removeProgramFiles = false;
    // Run FormCreate as the main routine does, between creating the main
    // window and the other two: restores settings and changes the folder.
    bool formCreate = false;
    // Create the Create List and preview windows too. Without them the main
    // window runs alone: CreateList and PreviewForm stay null, so its first
    // activation shows no preview window.
    bool secondaryWindows = true;
    // Create the windows on construction; otherwise Create() does.
    bool createWindows = true;
    // Names the temporary current folder, for reading failures.
    const char *folderHint = "windows";
};

class WindowHarness {
public:
    explicit WindowHarness(const WindowHarnessOptions &options = {});
    ~WindowHarness();
    WindowHarness(const WindowHarness &) = delete;
    WindowHarness &operator=(const WindowHarness &) = delete;

    // Creates the windows and points the globals at them; returns the main
    // window. Only while none exist.
    TDLForm *Create();
    // Clears the globals, then deletes the windows; nothing when none exist.
    void Destroy();

    TDLForm *Form() const { return form_; }
    TCreateList *CreateListWindow() const { return createList_; }  // null without secondaryWindows
    TPreviewForm *Preview() const { return preview_; }              // null without secondaryWindows

    // The temporary folder that was made current on construction.
    const QString &Folder() const { return folder_; }
    // The non-empty lines of the main window's log.
    QStringList LogLines() const;
    // The names of the files in Folder(), sorted by name, hidden ones included.
    QStringList SavedFiles() const;
    // The bytes of a file, by name within Folder() or by absolute path;
    // "<missing>" when it cannot be read.
    QByteArray ReadFile(const QString &name) const;
    // Writes a file within Folder() and returns its path.
    QString WriteFile(const QString &name, const QByteArray &bytes) const;

    // The scripted dialogs: the texts shown and the answers to give.
    static ScriptedDialogs &Dialogs() { return ScriptedDialogs::Global(); }
    static const QStringList &Messages() { return Dialogs().messages; }
    static const QStringList &Errors() { return Dialogs().errors; }
    // The next file or folder dialog answers with this path.
    static void Answer(const QString &path) { Dialogs().answers << path; }

private:
    void RemoveFiles() const;

    WindowHarnessOptions options_;
    QString previousFolder_;
    QString folder_;
    TDLForm *form_ = nullptr;
    TCreateList *createList_ = nullptr;
    TPreviewForm *preview_ = nullptr;
};
