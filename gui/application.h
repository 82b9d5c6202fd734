// The application object's set-up shared by the program and its tests.
#pragma once

#include <QString>

// Names the application and its settings' organisation, sets the window
// font and the title, and installs the dialogs: Qt's own with a display,
// the unattended ones on the offscreen platform.
void InitApplication(const QString &title);

// The application's title, shown on its taskbar button: the window title of
// the main window when it has one of its own.
QString ApplicationTitle();
void SetApplicationTitle(const QString &title);
