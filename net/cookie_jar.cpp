// TCookieJar: reading cookies.txt, taking Set-Cookie, and which cookies a
// request carries.
#include "net/cookie_jar.h"

#include "net/http_date.h"

#include <QFile>

#include <optional>

#include <algorithm>

namespace {
constexpr QByteArrayView kHttpOnlyPrefix{"#HttpOnly_"};

std::optional<bool> FlagOf(const QByteArray &field)
{
    const QByteArray upper = field.toUpper();
    if (upper == "TRUE")
        return true;
    if (upper == "FALSE")
        return false;
    return std::nullopt;
}

bool IsIpAddress(const QByteArray &host)
{
    // IPv6 comes in brackets or with colons; IPv4 is digits and dots.
    if (host.contains(':') || host.startsWith('['))
        return true;
    return !host.isEmpty() && std::all_of(host.begin(), host.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

// The path of a request target, without its query or fragment.
QByteArray RequestPathOf(const QByteArray &target)
{
    QByteArray path = target;
    if (const qsizetype query = path.indexOf('?'); query >= 0)
        path.truncate(query);
    if (const qsizetype fragment = path.indexOf('#'); fragment >= 0)
        path.truncate(fragment);
    return path.startsWith('/') ? path : QByteArray("/");
}

// RFC 6265 5.1.4: the directory of the request path.
QByteArray DefaultPathOf(const QByteArray &target)
{
    const QByteArray path = RequestPathOf(target);
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

bool DomainMatches(const QByteArray &host, const QByteArray &domain)
{
    return host == domain || (host.endsWith("." + domain) && !IsIpAddress(host));
}

bool PathMatches(const QByteArray &requestPath, const QByteArray &cookiePath)
{
    if (requestPath == cookiePath)
        return true;
    if (!requestPath.startsWith(cookiePath))
        return false;
    return cookiePath.endsWith('/') || requestPath.at(cookiePath.size()) == '/';
}

// One cookies.txt line as a cookie; false for a malformed one.
bool CookieOfLine(const QByteArray &line, TCookie &cookie)
{
    QByteArray text = line;
    if (text.startsWith(kHttpOnlyPrefix)) {
        cookie.HttpOnly = true;
        text = text.mid(kHttpOnlyPrefix.size());
    }
    const QList<QByteArray> fields = text.split('\t');
    if (fields.size() != 7)
        return false;
    const std::optional<bool> subdomains = FlagOf(fields[1]);
    const std::optional<bool> secure = FlagOf(fields[3]);
    bool number = false;
    const qint64 expires = fields[4].toLongLong(&number);
    QByteArray domain = fields[0].toLower();
    const bool dotted = domain.startsWith('.');
    if (dotted)
        domain = domain.mid(1);
    if (!subdomains || !secure || !number || expires < 0 || domain.isEmpty() || fields[5].isEmpty()
        || !fields[2].startsWith('/'))
        return false;
    cookie.Domain = domain;
    cookie.HostOnly = !*subdomains && !dotted;
    cookie.Path = fields[2];
    cookie.Secure = *secure;
    cookie.Expires = expires;
    cookie.Name = fields[5];
    cookie.Value = fields[6];
    return true;
}

bool SameCookie(const TCookie &a, const TCookie &b)
{
    return a.Name == b.Name && a.Domain == b.Domain && a.Path == b.Path;
}
}  // namespace

TCookiesFile ParseCookiesFile(const QByteArray &text)
{
    TCookiesFile result;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || (line.startsWith('#') && !line.startsWith(kHttpOnlyPrefix)))
            continue;
        TCookie cookie;
        if (CookieOfLine(line, cookie))
            result.Cookies.append(cookie);
        else
            ++result.Skipped;
    }
    return result;
}

QString CookiesSkippedText(int skipped, bool english)
{
    if (english)
        return (skipped == 1 ? QStringLiteral("%1 line of cookies.txt skipped")
                             : QStringLiteral("%1 lines of cookies.txt skipped"))
            .arg(skipped);
    return QString::fromUtf8("Izpuščenih vrstic v cookies.txt: %1").arg(skipped);
}

bool CookieGoesTo(const TCookie &cookie, const QByteArray &host, const QByteArray &path, bool secure, qint64 now)
{
    const QByteArray lowerHost = host.toLower();
    if (cookie.HostOnly ? lowerHost != cookie.Domain : !DomainMatches(lowerHost, cookie.Domain))
        return false;
    if (cookie.Secure && !secure)
        return false;
    if (cookie.Expires != 0 && cookie.Expires <= now)
        return false;
    return PathMatches(RequestPathOf(path), cookie.Path);
}

bool ParseSetCookie(const QByteArray &value, const QByteArray &host, const QByteArray &path, qint64 now,
                    TCookie &cookie)
{
    const QList<QByteArray> parts = value.split(';');
    const QByteArray pair = parts.first();
    const qsizetype equals = pair.indexOf('=');
    if (equals < 0)
        return false;
    cookie.Name = pair.left(equals).trimmed();
    cookie.Value = pair.mid(equals + 1).trimmed();
    if (cookie.Name.isEmpty())
        return false;
    const QByteArray lowerHost = host.toLower();
    cookie.Domain = lowerHost;
    cookie.Path = DefaultPathOf(path);
    std::optional<qint64> maxAge, expires;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qsizetype eq = parts[i].indexOf('=');
        const QByteArray name = (eq < 0 ? parts[i] : parts[i].left(eq)).trimmed().toLower();
        const QByteArray attribute = eq < 0 ? QByteArray() : parts[i].mid(eq + 1).trimmed();
        if (name == "max-age") {
            bool number = false;
            const qint64 seconds = attribute.toLongLong(&number);
            if (number)
                maxAge = seconds <= 0 ? qint64(1) : now + std::min<qint64>(seconds, qint64(1) << 40);
        } else if (name == "expires") {
            if (const std::optional<qint64> when = HttpDateOf(attribute))
                expires = std::max<qint64>(*when, 1);
        } else if (name == "domain" && !attribute.isEmpty()) {
            QByteArray domain = attribute.toLower();
            if (domain.startsWith('.'))
                domain = domain.mid(1);
            if (!DomainMatches(lowerHost, domain))
                return false;  // 5.3 step 6: not the host's own domain
            // A single label ("com") is taken as a public suffix: only the
            // host of that very name may set it, and then for itself alone.
            if (!domain.contains('.') && domain != lowerHost)
                return false;
            cookie.HostOnly = !domain.contains('.');
            cookie.Domain = domain;
        } else if (name == "path") {
            cookie.Path = attribute.startsWith('/') ? attribute : DefaultPathOf(path);
        } else if (name == "secure") {
            cookie.Secure = true;
        } else if (name == "httponly") {
            cookie.HttpOnly = true;
        }
    }
    cookie.Expires = maxAge ? *maxAge : expires.value_or(0);
    return true;
}

bool TCookieJar::TakeCookiesFile(const QString &file, int &skipped, QString &error)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        error = input.errorString();
        return false;
    }
    const TCookiesFile parsed = ParseCookiesFile(input.readAll());
    for (const TCookie &cookie : parsed.Cookies)
        Add(cookie);
    skipped = parsed.Skipped;
    return true;
}

void TCookieJar::Add(const TCookie &cookie)
{
    const std::lock_guard locked(lock_);
    cookies_.removeIf([&](const TCookie &old) { return SameCookie(old, cookie); });
    cookies_.append(cookie);
}

void TCookieJar::TakeSetCookie(const QByteArray &value, const QByteArray &host, const QByteArray &path, qint64 now)
{
    TCookie cookie;
    if (!ParseSetCookie(value, host, path, now, cookie))
        return;
    if (cookie.Expires != 0 && cookie.Expires <= now) {
        const std::lock_guard locked(lock_);
        cookies_.removeIf([&](const TCookie &old) { return SameCookie(old, cookie); });
        return;
    }
    Add(cookie);
}

QByteArray TCookieJar::HeaderFor(const QByteArray &host, const QByteArray &path, bool secure, qint64 now) const
{
    QList<TCookie> going;
    {
        const std::lock_guard locked(lock_);
        for (const TCookie &cookie : cookies_) {
            if (CookieGoesTo(cookie, host, path, secure, now))
                going.append(cookie);
        }
    }
    // Longer paths first; among equal ones the older first (stable).
    std::stable_sort(going.begin(), going.end(),
                     [](const TCookie &a, const TCookie &b) { return a.Path.size() > b.Path.size(); });
    QByteArray header;
    for (const TCookie &cookie : going)
        header += (header.isEmpty() ? "" : "; ") + cookie.Name + '=' + cookie.Value;
    return header;
}

bool TCookieJar::IsEmpty() const
{
    const std::lock_guard locked(lock_);
    return cookies_.isEmpty();
}
