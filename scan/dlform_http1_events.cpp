// The page client's events: one log line each, in the interface language.
#include "app/dlform.h"
#include "app/shared_state.h"
#include "net/http_client.h"

#include <QComboBox>
#include <QLabel>

namespace {
QString Wording(const char *slovene, const char *english)
{
    return QString::fromUtf8(EnglishUI != 0 ? english : slovene);
}
}  // namespace

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
    LociNaslov(AddressBytes());
    Log(Wording("--- Stran naložena.", "--- Page loaded."));
    Image3->setVisible(true);
}

void TDLForm::WireHttp1()
{
    HTTP1->OnHostResolved = [this](TSocketConnection *s) { HTTP1HostResolved(s); };
    HTTP1->OnConnect = [this](TSocketConnection *s) { HTTP1Connect(s); };
    HTTP1->OnConnectionFailed = [this](TSocketConnection *s) { HTTP1ConnectionFailed(s); };
    HTTP1->OnInvalidHost = [this](TSocketConnection *s, bool &handled) { HTTP1InvalidHost(s, handled); };
    HTTP1->OnFailure = [this](THttpClient *s, quint8 cmd) { HTTP1Failure(s, cmd); };
    HTTP1->OnDisconnect = [this](TSocketConnection *s) { HTTP1Disconnect(s); };
    HTTP1->OnStatus = [this](TSocketConnection *s, const QByteArray &status) { HTTP1Status(s, status); };
    HTTP1->OnSuccess = [this](THttpClient *s, quint8 cmd) { HTTP1Success(s, cmd); };
}
