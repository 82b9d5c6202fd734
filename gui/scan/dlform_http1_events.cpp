// The page client's events: one log line each, in the interface language.
#include "gui/dlform.h"
#include "core/shared_state.h"
#include "net/http_client.h"

#include <QComboBox>
#include <QLabel>

void TDLForm::HTTP1HostResolved(TSocketConnection *)
{
    Log(Wording("Gostitelj najden.", "Host found."));
}

void TDLForm::HTTP1Connect(TSocketConnection *)
{
    Log(Wording("Povezava uspešna.", "Connected successfuly."));
}

void TDLForm::HTTP1ConnectionFailed(TSocketConnection *)
{
    Log(Wording("Povezava NEuspešna.", "Connect FAILED."));
}

void TDLForm::HTTP1InvalidHost(TSocketConnection *, bool &)
{
    Log(Wording("Napačen naslov gostitelja.", "Wrong host name."));
}

void TDLForm::HTTP1Failure(THttpClient *, quint8)
{
    Log(Wording("Prišlo je do napake.", "Failure while transmiting."));
}

void TDLForm::HTTP1Disconnect(TSocketConnection *)
{
    Log(Wording("Povezava prekinjena.", "Connection closed."));
}

void TDLForm::HTTP1Status(TSocketConnection *, const QByteArray &Status)
{
    Log(QStringLiteral("Status: ") + QString::fromUtf8(Status));
}

void TDLForm::HTTP1Success(THttpClient *, quint8)
{
    SplitPageAddress();
    Log(Wording("--- Stran naložena.", "--- Page loaded."));
    Image3->setVisible(true);
}
