// The state that several commands of the main window share and the engine
// never reads: the list download's flags, the split page address, the sites
// of the About tab, the preview's scale, the first activation.
#pragma once

#include <QByteArray>
#include <QString>

extern bool ListAbortRequested;   // the list download stops after the current page
extern bool ListRunning;          // a list download is in progress
extern QByteArray AddressHost;      // the current address before its first "/"
extern QByteArray AddressPath;      // between its first and last "/"
extern QByteArray AddressFile;      // after its last "/"
extern QByteArray AddressScheme;    // the scheme the page of AddressHost was asked for: "http" or "https"
extern QString ProductSiteAddress;
extern QString MakerSiteAddress;
extern qint32 PreviewScale;       // the preview divides each side by this
extern bool FirstActivation;      // the one-time set-up has not run yet

// The values the window starts with, before FormCreate.
void ResetWindowState();
// The values of the window's creation.
void InitWindowState();
