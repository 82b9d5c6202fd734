// Where the program runs: display or none, the screens, the desktop's handlers.
#pragma once

#include "core/program_folder.h"

#include <QList>
#include <QRect>
#include <QString>

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


// The areas of the screens that windows may use (without panels and docks),
// as the window system reports them; empty before the application exists.
QList<QRect> AvailableScreenAreas();

// Opens an address or a file with the desktop's handler (a browser, a
// picture viewer); false when nothing took it.
bool OpenExternally(const QUrl &url);
// Replaces what OpenExternally does (tests: no browser starts); an empty
// function restores the desktop's handler.
void SetExternalOpener(std::function<bool(const QUrl &)> opener);
