#include "gui/window_state.h"

bool ListAbortRequested = false;
bool ListRunning = false;
QByteArray AddressHost;
QByteArray AddressPath;
QByteArray AddressFile;
QByteArray AddressScheme = "http";
QString ProductSiteAddress;
QString MakerSiteAddress;
qint32 PreviewScale = 0;
bool FirstActivation = false;

void ResetWindowState()
{
    ListAbortRequested = ListRunning = false;
    AddressHost.clear();
    AddressPath.clear();
    AddressFile.clear();
    AddressScheme = "http";
    ProductSiteAddress.clear();
    MakerSiteAddress.clear();
    PreviewScale = 0;
    FirstActivation = false;
}

void InitWindowState()
{
    FirstActivation = true;
    ProductSiteAddress = QStringLiteral("https://grabulo.example.org/");
    MakerSiteAddress = QStringLiteral("https://tarvove-feke.example.org/en/");
    ListAbortRequested = ListRunning = false;
    PreviewScale = 3;
}
