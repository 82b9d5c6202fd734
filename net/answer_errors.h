// The failures of an answer that breaks the rules of an HTTP message
// (RFC 9112): a header block the close cut off, a Content-Length that is
// not one number, a change of protocol nobody asked for. Each is an
// ESockError with a text of its own, named here, so that callers tell
// them apart: IsBrokenOff (tls_errors.h) counts only the header cut short.
#pragma once

#include "base/errors.h"

#include <QByteArray>
#include <QString>

// The answer's status line came, then the server closed before the blank
// line that ends its header block (or inside a line of it): broken off
// like a reset, so another attempt may get it whole.
inline constexpr QLatin1StringView kHeaderCutShort{"The answer ended inside its header"};

// The start of the failure of an answer whose Content-Length is not one
// non-negative decimal number ("-5", "1,3111", letters, a value past 63
// bits, two different values); the value follows, escaped and cut to
// 100 characters. The framing of such an answer is unknown: it is refused,
// and not retried, since the server would send the same again.
inline constexpr QLatin1StringView kInvalidContentLength{"Invalid Content-Length: "};

// A 101 (Switching Protocols): this client never asks for another
// protocol, so the answer is invalid.
inline constexpr QLatin1StringView kUnaskedProtocolSwitch{"The server switched protocols unasked"};

// kInvalidContentLength followed by value, its bytes outside printable
// ASCII as \xHH, cut to 100 characters.
QString InvalidContentLengthText(const QByteArray &value);

// The failure e in the interface language when it is one of the above, a
// too slow transfer (lowSpeedTime: its seconds) or an unusable address;
// else e's own text.
QString AnswerFailureText(const ESockError &e, qint32 lowSpeedTime, bool english);
