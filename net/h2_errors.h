// The failures of an HTTP/2 connection and of its streams: EH2Error for the
// connection (a bad frame, a flood, the peer's close while streams ran), and
// the texts a stream's end carries. Callers compare them only through these
// names; H2FailureText gives them in the interface language.
#pragma once

#include "base/errors.h"

#include <QString>
#include <cstdint>

// A failure of the whole HTTP/2 connection: every stream on it has ended.
class EH2Error : public ESockError {
public:
    using ESockError::ESockError;
};

// The start of a connection error's text; the reason follows (nghttp2's
// words for the frame it refused, or the error code's name).
inline constexpr QLatin1StringView kH2ConnectionError{"HTTP/2 connection error: "};
// The server closed the connection while streams were open on it.
inline constexpr QLatin1StringView kH2ConnectionEnded{"The HTTP/2 connection ended"};
// The answer's header fields passed our limit (count or bytes): the stream
// was reset.
inline constexpr QLatin1StringView kH2HeaderTooLarge{"The answer's header is too large"};
// The stream ended before the bytes its content-length named.
inline constexpr QLatin1StringView kH2BodyCutShort{"The answer ended before its Content-Length"};
// The stream ended without a final answer.
inline constexpr QLatin1StringView kH2NoAnswer{"The stream ended without an answer"};
// Submit on a session that takes no new stream (a GOAWAY came, or it ended).
inline constexpr QLatin1StringView kH2NoNewStream{"The HTTP/2 connection takes no new stream"};
// The start of the text of a stream the server reset, or that the
// connection reset for a frame that broke the rules; the code's name follows.
inline constexpr QLatin1StringView kH2StreamReset{"HTTP/2 stream reset: "};

// kH2ConnectionError followed by reason.
QString H2ConnectionErrorText(const QString &reason);
// kH2StreamReset followed by the name of the HTTP/2 error code
// ("PROTOCOL_ERROR", "CANCEL" ...; a number for an unknown one).
QString H2StreamResetText(uint32_t errorCode);

// One of the texts above in the interface language; any other text as it is.
QString H2FailureText(const QString &message, bool english);
