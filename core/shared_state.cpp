#include "core/shared_state.h"

#include "core/settings/settings_store.h"

qint32 EnglishUI = 0;
bool AbortRequested = false;
qint32 TypeFilterIndex = 0;
QString ProgramVersion;
qint64 StartMsecs = 0;
qint32 RunPictureCount = 0;
bool BatchRunning = false;
bool BatchInterrupted = false;
bool ShuttingDown = false;

void ResetSharedState()
{
    EnglishUI = 0;
    AbortRequested = false;
    TypeFilterIndex = 0;
    ProgramVersion.clear();
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
    ProgramVersion = QStringLiteral("1.5");
    AbortRequested = false;
    StartMsecs = TimeStampMsecs();
    RunPictureCount = 0;
    TypeFilterIndex = 0;
}
