// The socket error codes and their texts. errno values are mapped once, in
// WsaCodeFromErrno, to the numbering of the socket error table
// (ECONNREFUSED -> 10061 ...), so that messages read "10061:Connection refused".
#pragma once

#include <QString>

enum : int {
    kWsaWouldBlock = 10035,
    kWsaInProgress = 10036,
    kWsaNotConnected = 10057,
    // errno values without a counterpart in the table: this base plus errno.
    kWsaUnmappedBase = 12000,
};

// The table code for an errno value; 0 for 0.
int WsaCodeFromErrno(int error);

// "code:text" from the table, "Unknown Error No. code" for a code not in
// it, empty for 0.
QString SocketErrorText(int code);

// Failure texts that callers tell apart: the download retries a connect
// time-out and logs an aborted transfer, the page load reports an abandoned
// look-up. They are raised and compared only through these names.
inline constexpr QLatin1StringView kSocketSendAborted{"Socket send aborted"};
inline constexpr QLatin1StringView kConnectionTimedOut{"Connection Timed out"};
inline constexpr QLatin1StringView kHostLookupTimedOut{"Host Lookup Timed Out"};
inline constexpr QLatin1StringView kHostLookupCanceled{"Host Lookup Canceled"};
inline constexpr QLatin1StringView kHostLookupFailed{"Host Lookup Failed"};
