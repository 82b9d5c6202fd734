// The page client's events, as TPageLoader reports them: one log line
// each, in the interface language.
#include "gui/dlform.h"

#include <QLabel>

void TDLForm::HTTP1HostResolved(const QString &line)
{
    Log(line);
}

void TDLForm::HTTP1Connect(const QString &line)
{
    Log(line);
}

void TDLForm::HTTP1ConnectionFailed(const QString &line)
{
    Log(line);
}

void TDLForm::HTTP1InvalidHost(const QString &line)
{
    Log(line);
}

void TDLForm::HTTP1Failure(const QString &line)
{
    Log(line);
}

void TDLForm::HTTP1Disconnect(const QString &line)
{
    Log(line);
}

void TDLForm::HTTP1Status(const QString &line)
{
    Log(line);
}

// The page has come: the shared address parts follow the address box.
void TDLForm::HTTP1Success(const QString &line)
{
    SplitPageAddress();
    Log(line);
    Image3->setVisible(true);
}
