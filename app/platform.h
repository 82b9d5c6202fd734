// Where the program runs: display or none, and its own folder.
#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

class QUrl;

// Before the application object exists: when there is no display (neither
// DISPLAY nor WAYLAND_DISPLAY) and QT_QPA_PLATFORM is unset, selects Qt's
// offscreen platform so that an unattended run works on a server or in cron.
// Returns true when the offscreen platform was chosen.
bool SelectOffscreenWhenHeadless();

// True when the application runs on the offscreen (or minimal) platform, so
// that no dialog can be answered by a person.
bool IsUnattended();

// The folder of the executable, where "help.htm" lies.
QString ExecutableFolder();

// The program's own folder for "dl.ini" and "error.log": GRABULO_HOME when
// set; else the executable's folder when it is writable; else the per-user
// data folder (created on demand). Always without a trailing slash.
QString ProgramFolder();

// A file of the program's own folder, e.g. ProgramFile("dl.ini").
QString ProgramFile(const QString &name);

// The areas of the screens that windows may use (without panels and docks),
// as the window system reports them; empty before the application exists.
QList<QRect> AvailableScreenAreas();

// Opens an address or a file with the desktop's handler (a browser, a
// picture viewer); false when nothing took it.
bool OpenExternally(const QUrl &url);
// Replaces what OpenExternally does (tests: no browser starts); an empty
// function restores the desktop's handler.
void SetExternalOpener(std::function<bool(const QUrl &)> opener);

// The command line's arguments with a relative FOLDER (the second) made
// absolute against the folder the program was started in: the start-up
// enters the stored save folder before the command line runs.
QStringList WithAbsoluteFolder(QStringList arguments, const QString &startFolder);
