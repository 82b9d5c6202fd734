#include "core/shared_state.h"

#include "core/settings/settings_store.h"

qint32 EnglishUI = 0;
bool AbortRequested = false;
bool ListAbortRequested = false;
bool ListRunning = false;
qint32 TypeFilterIndex = 0;
QByteArray AddressHost;
QByteArray AddressPath;
QByteArray AddressFile;
QByteArray AddressScheme = "http";
QString ProductSiteAddress;
QString MakerSiteAddress;
QString ProgramVersion;
qint32 PreviewScale = 0;
bool FirstActivation = false;
qint64 StartMsecs = 0;
qint32 RunPictureCount = 0;
bool BatchRunning = false;
bool BatchInterrupted = false;
bool ShuttingDown = false;

void ResetSharedState()
{
    EnglishUI = 0;
    AbortRequested = ListAbortRequested = ListRunning = false;
    TypeFilterIndex = 0;
    AddressHost.clear();
    AddressPath.clear();
    AddressFile.clear();
    AddressScheme = "http";
    ProductSiteAddress.clear();
    MakerSiteAddress.clear();
    ProgramVersion.clear();
    PreviewScale = 0;
    FirstActivation = false;
    StartMsecs = 0;
    RunPictureCount = 0;
    BatchRunning = false;
    BatchInterrupted = false;
    ShuttingDown = false;
}

QString Wording(const char *slovene, const char *english)
{
    return QString::fromUtf8(EnglishUI != 0 ? english : slovene);
}

void InitSharedState()
{
    FirstActivation = true;
    ProductSiteAddress = QStringLiteral("https://grabulo.example.org/");
    MakerSiteAddress = QStringLiteral("https://tarvove-feke.example.org/en/");
    ProgramVersion = QStringLiteral("1.5");
    AbortRequested = ListAbortRequested = ListRunning = false;
    PreviewScale = 3;
    StartMsecs = TimeStampMsecs();
    RunPictureCount = 0;
    TypeFilterIndex = 0;
}
