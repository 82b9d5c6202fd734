#include "core/settings/client_settings.h"

#include "base/convert.h"
#include "net/http_client.h"

#include <QFileInfo>

#include <memory>
#include <optional>

void ConfigureHttpClients(THttpClient &pages, THttpClient &files)
{
    const auto jar = std::make_shared<TCookieJar>();
    for (THttpClient *http : {&pages, &files}) {
        http->CookieJar = jar;
        http->Port = 0;
        http->ReportLevel = 0;
        http->Header = "Head.txt";
        http->HeaderInfo.LocalMailAddress = "Grabulo";
        http->HeaderInfo.LocalProgram = "Grabulo";
        http->OutputFileMode = false;
    }
    pages.Body = "Default.htm";
    pages.InputFileMode = false;
    pages.ProxyPort = 80;
    // One time-out for pages and files: a page load ends as a file does.
    files.TimeOut = Settings::TimeOut.defaultValue * 1000;
    pages.TimeOut = files.TimeOut;
    files.Body = "slika.gif";
    files.InputFileMode = true;
    files.CreateNewFiles = true;  // the naming rules chose a free name
    files.ProxyPort = 3128;
}

void ApplySettingsToClients(const TSettingsValues &values, THttpClient &pages, THttpClient &files)
{
    // Milliseconds in 32 bits: a time-out beyond about 24 days is that long.
    const qint32 timeOut = ClampToInt32(qint64(values.timeOut) * 1000);
    const std::optional<qint32> port = TryStrToInt(values.proxyPort);
    for (THttpClient *http : {&pages, &files}) {
        http->TimeOut = timeOut;
        http->KeepAlive = values.keepAlive;
        http->LowSpeedTime = values.lowSpeed;
        if (!values.proxy) {
            http->Proxy.clear();  // the ports stay as they are
            continue;
        }
        http->Proxy = values.proxyHost.toUtf8();
        if (port)  // a port that is not a number is said where it is given; the last good one stays
            http->ProxyPort = *port;
    }
}

TCookiesRead ReadCookiesFile(const QString &file, THttpClient &pages, THttpClient &files, bool english)
{
    const auto jar = std::make_shared<TCookieJar>();
    pages.CookieJar = files.CookieJar = jar;
    TCookiesRead read;
    if (file.isEmpty())
        return read;
    int skipped = 0;
    QString error;
    read.ok = QFileInfo(file).isFile() && jar->TakeCookiesFile(file, skipped, error);
    if (!read.ok) {
        const QString why = error.isEmpty() ? (english ? QStringLiteral("not a file") : QStringLiteral("ni datoteka")) : error;
        read.line = english ? QStringLiteral("Cannot read the cookies file %1: %2").arg(file, why)
                            : QString::fromUtf8("Datoteke piškotkov %1 ni mogoče prebrati: %2").arg(file, why);
    } else if (skipped > 0) {
        read.line = CookiesSkippedText(skipped, english);
    }
    return read;
}
