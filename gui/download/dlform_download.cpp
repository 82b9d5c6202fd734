// Downloading one file outside a batch: the engine's steps on the file
// client, into the name HTTP2->Body holds.
#include "gui/dlform.h"
#include "core/shared_state.h"
#include "net/http_client.h"

#include <QLineEdit>
#include <QScopeGuard>

void TDLForm::ZDownloadaj(const QByteArray &address, int attempt)
{
    TBatchRequest request;
    request.folderPrefix = Edit4->text().toUtf8();
    request.settings = SettingsSnapshot();
    request.sizeLimitText = Edit12->text();
    request.http = THttpRequestSettings::Of(*HTTP2);
    request.english = EnglishUI == 1;
    Batch.SetClients(HTTP2, nullptr);
    // The caller finds the name the file was saved under where it put it.
    const auto nameBack = qScopeGuard([this] { HTTP2->Body = Batch.LastName(); });
    Batch.RunOne(address, HTTP2->Body, attempt, request);
}
