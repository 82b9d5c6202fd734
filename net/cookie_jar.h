// TCookieJar: the cookies of one run. Filled from a cookies.txt file as
// browsers export it (TakeCookiesFile) and from the Set-Cookie lines of the
// answers (TakeSetCookie); asked for the Cookie header of each request
// (HeaderFor). The matching rules are RFC 6265's: domain match (5.1.3),
// path match (5.1.4), Secure only over https, expired cookies never sent,
// longer paths first (5.4). It lives in memory only: nothing is ever
// written to disk. One jar is shared by the page client and every file
// transfer (worker threads included), so its members lock.
#pragma once

#include <QByteArray>
#include <QList>
#include <mutex>
#include <QString>

struct TCookie {
    QByteArray Name;
    QByteArray Value;
    QByteArray Domain;        // lower case, without a leading dot
    QByteArray Path = "/";
    bool HostOnly = true;     // sent to the exact host only
    bool Secure = false;      // sent over https only
    bool HttpOnly = false;
    qint64 Expires = 0;       // Unix seconds; 0: for the run
};

// What one cookies.txt gave: the cookies and the count of lines that were
// neither comments, blank nor cookies.
struct TCookiesFile {
    QList<TCookie> Cookies;
    int Skipped = 0;
};

// The cookies of a cookies.txt text (7 TAB-separated fields: domain,
// include-subdomains flag, path, secure, expiry, name, value).
TCookiesFile ParseCookiesFile(const QByteArray &text);

// The log line of skipped lines: "3 lines of cookies.txt skipped".
QString CookiesSkippedText(int skipped, bool english);

// Whether a request to host and path (over https when secure), at Unix
// time now, carries the cookie.
bool CookieGoesTo(const TCookie &cookie, const QByteArray &host, const QByteArray &path, bool secure, qint64 now);

// The cookie a Set-Cookie value sets when it came from host for path
// (RFC 6265 5.2, 5.3); false when it is to be ignored. A cookie that has
// already expired comes back with Expires < now: it removes its namesake.
bool ParseSetCookie(const QByteArray &value, const QByteArray &host, const QByteArray &path, qint64 now,
                    TCookie &cookie);

class TCookieJar {
public:
    // Reads the file into the jar. False, with error set, when it cannot
    // be read; skipped counts the malformed lines.
    bool TakeCookiesFile(const QString &file, int &skipped, QString &error);
    void Add(const TCookie &cookie);
    // A Set-Cookie value of an answer from host to a request for path.
    void TakeSetCookie(const QByteArray &value, const QByteArray &host, const QByteArray &path, qint64 now);
    // "a=1; b=2", longer paths first; empty when no cookie goes there.
    QByteArray HeaderFor(const QByteArray &host, const QByteArray &path, bool secure, qint64 now) const;
    bool IsEmpty() const;

private:
    mutable std::mutex lock_;  // a std::mutex, which ThreadSanitizer sees
    QList<TCookie> cookies_;
};
