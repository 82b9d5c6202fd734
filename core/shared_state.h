// The state of a run that the engine and the window share. Plain variables
// on the one user-interface thread; a run's start (re)initialises them.
// Nested handlers talk to a waiting one only through the abort flags and
// the HTTP clients' Abort. The window's own state is gui/window_state.h.
#pragma once

#include <QByteArray>
#include <QString>

extern qint32 EnglishUI;          // 1 English, 0 Slovene
extern bool AbortRequested;       // a stop was requested at least once this run
extern qint32 TypeFilterIndex;    // the entry of the type filter in force
extern QString ProgramVersion;
extern qint64 StartMsecs;         // time stamp of this run's start
extern qint32 RunPictureCount;    // files downloaded in this run
extern bool ShuttingDown;         // the main window is closing: no new transfer
extern bool BatchRunning;         // a batch is running: a second one is refused
extern bool BatchInterrupted;     // Stop, Disconnect or Abort all came during the running batch

// The text of the interface language in force: the Slovene or the English
// wording (UTF-8).
QString Wording(const char *slovene, const char *english);

// The values the program starts with, before FormCreate.
void ResetSharedState();
// The values of a run's start: this run's start stamp, no file yet, the
// first type filter, the program's version.
void InitSharedState();
