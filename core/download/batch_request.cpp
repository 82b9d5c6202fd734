#include "core/download/batch_request.h"

#include "base/convert.h"

THttpRequestSettings FileRequestSettings(const TSettingsValues &settings, const TPageCredentials &page)
{
    THttpRequestSettings http;
    http.ProxyPort = 3128;
    if (settings.proxy) {
        http.Proxy = settings.proxyHost.toUtf8();
        http.ProxyPort = TryStrToInt(settings.proxyPort).value_or(http.ProxyPort);
    }
    http.TimeOut = ClampToInt32(qint64(settings.timeOut) * 1000);
    http.LowSpeedTime = settings.lowSpeed;
    http.KeepAlive = settings.keepAlive;
    http.HeaderInfo.LocalMailAddress = "Grabulo";
    http.HeaderInfo.LocalProgram = "Grabulo";
    http.HeaderInfo.Referer = page.referer;
    http.HeaderInfo.UserId = page.userId;
    http.HeaderInfo.Password = page.password;
    http.CredentialsOrigin = page.origin;
    return http;
}

TBatchRequest MakeBatchRequest(const QList<QByteArray> &addresses, const QByteArray &folderPrefix,
                               const TSettingsValues &settings, const TPageCredentials &page, bool english)
{
    TBatchRequest request;
    request.addresses = addresses;
    request.folderPrefix = folderPrefix;
    request.settings = settings;
    request.http = FileRequestSettings(settings, page);
    request.english = english;
    return request;
}
