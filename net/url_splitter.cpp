#include "net/url_splitter.h"

#include "base/errors.h"
#include "net/address_errors.h"
#include "net/socket_errors.h"

QByteArray FieldOf(const QByteArray &text, char separator, int n)
{
    qsizetype start = 0;
    for (int i = 1; i < n; ++i) {
        const qsizetype next = text.indexOf(separator, start);
        if (next < 0)
            return QByteArray();
        start = next + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    return text.mid(start, end < 0 ? -1 : end - start);
}

// The position of the n-th occurrence of c, or -1.
static qsizetype NthIndexOf(const QByteArray &text, char c, int n)
{
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = text.indexOf(c, at + 1);
        if (at < 0)
            return -1;
    }
    return at;
}

static QByteArray PathOf(const QByteArray &url)
{
    if (url.contains("//")) {
        const qsizetype third = NthIndexOf(url, '/', 3);
        return third < 0 ? QByteArray() : url.mid(third);
    }
    const qsizetype first = url.indexOf('/');
    return first < 0 ? QByteArray() : url.mid(first);
}

static QByteArray HostPartOf(const QByteArray &url)
{
    if (url.contains("//"))
        return FieldOf(url, '/', 3);
    if (url.startsWith('/'))
        return QByteArray();
    return FieldOf(url, '/', 1);
}

void SplitUrl(QByteArray &url, TUrlTarget &target)
{
    if (url.isEmpty())
        throw Exception(QStringLiteral("Empty URL"));
    if (target.Port == 0)
        target.Port = 80;
    target.Path = PathOf(url);
    if (url.contains(':')) {
        const QByteArray scheme = FieldOf(url, ':', 1).toLower();
        target.Secure = scheme == "https";
        if (scheme == "gopher")
            target.Port = 70;
        else if (scheme == "ftp")
            target.Port = 21;
        else if (target.Secure)
            target.Port = 443;
        else
            target.Port = 80;
    }
    const bool hasSlashes = url.contains("//");
    QByteArray host = HostPartOf(url);
    if (const std::optional<qint64> port = TakePortOf(host, url, hasSlashes)) {
        CheckPortNumber(*port);
        target.Port = qint32(*port);
    }
    // "http://" and "http://:80/" name no host: never the previous one.
    if (host.isEmpty() && url.indexOf("://") > 0 && url.indexOf("://") < url.indexOf('/'))
        throw EAddressError(false, AddressProblem::NoHost, url);
    if (!host.isEmpty())
        target.Host = host;
    if (target.Path.isEmpty()) {
        target.Path = "/";
        url.append('/');
    }
}
