// HTTP dates (RFC 9110 5.6.7) and the Retry-After field (RFC 9110 10.2.3).
#pragma once

#include <QByteArray>

#include <optional>

// The Unix seconds of an HTTP date: the IMF-fixdate "Sun, 06 Nov 1994
// 08:49:37 GMT", and the obsolete RFC 850 and asctime forms (cookies'
// Expires also comes with dashes: "Sun, 06-Nov-1994 08:49:37 GMT").
// Nothing when it is none of them.
std::optional<qint64> HttpDateOf(const QByteArray &text);

// The longest a Retry-After makes a transfer wait, in seconds.
inline constexpr int kMostRetryAfter = 300;

// The seconds a Retry-After value asks to wait at Unix time now: delay
// seconds or an HTTP date, at most kMostRetryAfter, a date in the past 0.
// Nothing for a value that is neither.
std::optional<int> RetryAfterSeconds(const QByteArray &value, qint64 now);
