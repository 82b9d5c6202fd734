// Addresses the client cannot use, and a transfer that moves too slowly:
// the failures, their texts in both interface languages, and the checks of
// an address before any connection is made.
#pragma once

#include "base/errors.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The starts of the two address failures: an address given to a request
// ("Not a usable web address: htp:/host: ...") and the Location of a
// redirect ("Redirect to an address that cannot be used: file:///x: ...").
// The address follows, its control characters escaped and cut to 200
// characters, then ": " and the reason.
inline constexpr QLatin1StringView kUnusableAddress{"Not a usable web address: "};
inline constexpr QLatin1StringView kUnusableRedirect{"Redirect to an address that cannot be used: "};

enum class AddressProblem {
    NotHttp,         // a scheme other than http or https (Detail: the scheme)
    NoHost,          // no host after "scheme://", or no "//" at all
    UserInfo,        // "user:password@" before the host
    BrokenHost,      // a host part that cannot be read ("[::1") (Detail: the host part)
    Ipv6,            // an IPv6 literal ("[::1]"): the client speaks IPv4 only
    PortNotANumber,  // (Detail: the port text)
    PortOutOfRange,  // (Detail: the port)
    ControlBytes,    // a line break, tab or other control byte
    NoSlashes,       // "htp:/host", "host:/x", "http://htp:/host": neither "scheme://" nor "host:port" (Detail: before ":")
};

// Raised before any look-up or connect; the download fails the file with
// the reason (IsBrokenOff does not count it: another try meets the same
// address).
class EAddressError : public ESockError {
public:
    EAddressError(bool redirect, AddressProblem problem, QByteArray address, QByteArray detail = QByteArray());

    bool Redirect() const { return redirect_; }
    AddressProblem Problem() const { return problem_; }
    const QByteArray &Address() const { return address_; }
    const QByteArray &Detail() const { return detail_; }

private:
    bool redirect_;
    AddressProblem problem_;
    QByteArray address_;
    QByteArray detail_;
};

// The whole failure in English or in Slovene; Message() is the English one.
QString AddressProblemText(const EAddressError &e, bool english);

// An address as a failure shows it: control characters (C0, DEL, C1) as
// \xNN, at most 200 characters.
QString ShownAddress(const QByteArray &address);

// Raises EAddressError (redirect) unless address, a resolved Location, is
// one a request can go to: http or https, "//" and a host, no user name or
// password, a port of 1..65535 when one is given, no control bytes.
void CheckRedirectAddress(const QByteArray &address);

// The host part of an address as SplitUrl finds it ("host", "host:8080"):
// raises EAddressError (not a redirect) for a user name or password, a
// bracket, or a port that is not digits (a "-" before them passes); returns
// the port (none when none is given; an empty one is refused as NoSlashes:
// it is what a typed "htp:/host" becomes with "http://" before it) and cuts hostPart to
// the host. Whether the port is within 1..65535 is the caller's check.
std::optional<qint64> TakePortOf(QByteArray &hostPart, const QByteArray &address, bool hasSlashes);

// The failure of a transfer that moved fewer than 1,024 bytes in
// TSocketConnection::LowSpeedTime seconds while an answer was read:
// "Fewer than 1024 bytes in 5 s". IsBrokenOff counts it (the download
// tries again).
inline constexpr QLatin1StringView kTransferTooSlow{"Fewer than 1024 bytes in %1 s"};
inline constexpr qint64 kLowSpeedBytes = 1024;
QString TransferTooSlowText(qint32 seconds, bool english);
bool IsTransferTooSlow(const ESockError &e);
