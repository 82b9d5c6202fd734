// The state that several commands of the main window share. Plain
// variables on the one user-interface thread; FormCreate (re)initialises
// them. Nested handlers talk to a waiting one only through the two abort
// flags and the HTTP clients' Abort.
#pragma once

#include <QByteArray>
#include <QString>

extern qint32 EnglishUI;          // 1 English, 0 Slovene
extern bool AbortRequested;       // a stop was requested at least once this run
extern bool ListAbortRequested;   // the list download stops after the current page
extern bool ListRunning;          // a list download is in progress
extern qint32 TypeFilterIndex;    // the entry of the type filter in force
extern QByteArray AddressHost;      // the current address before its first "/"
extern QByteArray AddressPath;      // between its first and last "/"
extern QByteArray AddressFile;      // after its last "/"
extern QByteArray AddressScheme;    // the scheme the page of AddressHost was asked for: "http" or "https"
extern QString ProductSiteAddress;
extern QString MakerSiteAddress;
extern QString ProgramVersion;
extern qint32 PreviewScale;       // the preview divides each side by this
extern bool FirstActivation;      // the one-time set-up has not run yet
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
// The values of a run's start (the window's creation): this run's start
// stamp, no file yet, the first type filter, the program's version.
void InitSharedState();
