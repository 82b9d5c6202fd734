// The socket error codes and their texts. errno values are mapped once, in
// WsaCodeFromErrno, to the numbering of the socket error table
// (ECONNREFUSED -> 10061 ...), so that messages read "10061:Connection refused".
#pragma once

#include <QString>

class ESockError;

// The codes of the socket error table. Each has a text in SocketErrorText,
// whose switch names every value (a new value without a text is a -Wswitch
// warning).
enum class WsaCode : int {
    Interrupted = 10004,
    BadFileNumber = 10009,
    PermissionDenied = 10013,
    BadAddress = 10014,
    InvalidArgument = 10022,
    TooManyOpenFiles = 10024,
    WouldBlock = 10035,
    InProgress = 10036,
    AlreadyInProgress = 10037,
    NotASocket = 10038,
    DestinationAddressRequired = 10039,
    MessageTooLong = 10040,
    WrongProtocolType = 10041,
    BadProtocolOption = 10042,
    ProtocolNotSupported = 10043,
    SocketTypeNotSupported = 10044,
    OperationNotSupported = 10045,
    ProtocolFamilyNotSupported = 10046,
    AddressFamilyNotSupported = 10047,
    AddressInUse = 10048,
    AddressNotAvailable = 10049,
    NetworkDown = 10050,
    NetworkUnreachable = 10051,
    NetworkReset = 10052,
    ConnectionAborted = 10053,
    ConnectionReset = 10054,
    NoBufferSpace = 10055,
    AlreadyConnected = 10056,
    NotConnected = 10057,
    Shutdown = 10058,
    TooManyReferences = 10059,
    TimedOut = 10060,
    ConnectionRefused = 10061,
    SymbolicLinkLoop = 10062,
    NameTooLong = 10063,
    HostDown = 10064,
    HostUnreachable = 10065,
    DirectoryNotEmpty = 10066,
    TooManyProcesses = 10067,
    TooManyUsers = 10068,
    DiscQuotaExceeded = 10069,
    StaleHandle = 10070,
    Remote = 10071,
    SystemNotReady = 10091,
    VersionNotSupported = 10092,
    NotInitialised = 10093,
    HostNotFound = 11001,
    TryAgain = 11002,
    NoRecovery = 11003,
    NoData = 11004,
};

constexpr int WsaNumber(WsaCode code)
{
    return static_cast<int>(code);
}

// errno values without a counterpart in the table: this base plus errno.
inline constexpr int kWsaUnmappedBase = 12000;

// The table code for an errno value as a number; 0 for 0, kWsaUnmappedBase
// plus errno for one without a code.
int WsaCodeFromErrno(int error);

// "code:text" from the table, "Unknown Error No. code" for a code not in
// it, empty for 0.
QString SocketErrorText(int code);

// Failure texts that callers tell apart: the download retries a connect
// time-out and logs an aborted transfer, the page load reports an abandoned
// look-up. They are raised and compared only through these names.
inline constexpr QLatin1StringView kSocketSendAborted{"Socket send aborted"};
inline constexpr QLatin1StringView kConnectionTimedOut{"Connection Timed out"};
inline constexpr QLatin1StringView kConnectionCanceled{"Connection Canceled"};
inline constexpr QLatin1StringView kConnectionFailed{"Connection Failed"};
inline constexpr QLatin1StringView kHostLookupTimedOut{"Host Lookup Timed Out"};
inline constexpr QLatin1StringView kHostLookupCanceled{"Host Lookup Canceled"};
inline constexpr QLatin1StringView kHostLookupFailed{"Host Lookup Failed"};
// The start of the failure of a chunked body whose connection ended before
// its last chunk, or whose chunk line is none: the body is cut short.
inline constexpr QLatin1StringView kChunkedBodyBroken{"Chunked body broken off"};

// A port outside 1..65535 is refused before any look-up or connect: the
// socket address holds 16 bits, so 70000 would reach port 4464. Raises
// ESockError "Invalid port number 70000".
void CheckPortNumber(qint64 port);
// Whether e is the refusal raised by CheckPortNumber.
bool IsInvalidPortNumber(const ESockError &e);
