#include "net/socket_errors.h"

#include "base/errors.h"

#include <cerrno>
#include <optional>

// The table code of an errno value, if the table has one.
static std::optional<WsaCode> TableCodeOf(int error)
{
    switch (error) {
    case EINTR: return WsaCode::Interrupted;
    case EBADF: return WsaCode::BadFileNumber;
    case EACCES: return WsaCode::PermissionDenied;
    case EPERM: return WsaCode::PermissionDenied;
    case EFAULT: return WsaCode::BadAddress;
    case EINVAL: return WsaCode::InvalidArgument;
    case EMFILE: return WsaCode::TooManyOpenFiles;
    case ENFILE: return WsaCode::TooManyOpenFiles;
    case EWOULDBLOCK: return WsaCode::WouldBlock;
#if EAGAIN != EWOULDBLOCK
    case EAGAIN: return WsaCode::WouldBlock;
#endif
    case EINPROGRESS: return WsaCode::InProgress;
    case EALREADY: return WsaCode::AlreadyInProgress;
    case ENOTSOCK: return WsaCode::NotASocket;
    case EDESTADDRREQ: return WsaCode::DestinationAddressRequired;
    case EMSGSIZE: return WsaCode::MessageTooLong;
    case EPROTOTYPE: return WsaCode::WrongProtocolType;
    case ENOPROTOOPT: return WsaCode::BadProtocolOption;
    case EPROTONOSUPPORT: return WsaCode::ProtocolNotSupported;
    case ESOCKTNOSUPPORT: return WsaCode::SocketTypeNotSupported;
    case EOPNOTSUPP: return WsaCode::OperationNotSupported;
    case EPFNOSUPPORT: return WsaCode::ProtocolFamilyNotSupported;
    case EAFNOSUPPORT: return WsaCode::AddressFamilyNotSupported;
    case EADDRINUSE: return WsaCode::AddressInUse;
    case EADDRNOTAVAIL: return WsaCode::AddressNotAvailable;
    case ENETDOWN: return WsaCode::NetworkDown;
    case ENETUNREACH: return WsaCode::NetworkUnreachable;
    case ENETRESET: return WsaCode::NetworkReset;
    case ECONNABORTED: return WsaCode::ConnectionAborted;
    case ECONNRESET: return WsaCode::ConnectionReset;
    case ENOBUFS: return WsaCode::NoBufferSpace;
    case ENOMEM: return WsaCode::NoBufferSpace;
    case EISCONN: return WsaCode::AlreadyConnected;
    case ENOTCONN: return WsaCode::NotConnected;
    case ESHUTDOWN: return WsaCode::Shutdown;
    case EPIPE: return WsaCode::Shutdown;
    case ETOOMANYREFS: return WsaCode::TooManyReferences;
    case ETIMEDOUT: return WsaCode::TimedOut;
    case ECONNREFUSED: return WsaCode::ConnectionRefused;
    case ELOOP: return WsaCode::SymbolicLinkLoop;
    case ENAMETOOLONG: return WsaCode::NameTooLong;
    case EHOSTDOWN: return WsaCode::HostDown;
    case EHOSTUNREACH: return WsaCode::HostUnreachable;
    case ENOTEMPTY: return WsaCode::DirectoryNotEmpty;
    case EUSERS: return WsaCode::TooManyUsers;
    case EDQUOT: return WsaCode::DiscQuotaExceeded;
    case ESTALE: return WsaCode::StaleHandle;
    case EREMOTE: return WsaCode::Remote;
    }
    return std::nullopt;
}

int WsaCodeFromErrno(int error)
{
    if (error == 0)
        return 0;
    if (const auto code = TableCodeOf(error))
        return WsaNumber(*code);
    return kWsaUnmappedBase + error;
}

// No default: every code of WsaCode needs its text here.
static const char *TableText(WsaCode code)
{
    switch (code) {
    case WsaCode::Interrupted: return "Interrupted system call";
    case WsaCode::BadFileNumber: return "Bad file number";
    case WsaCode::PermissionDenied: return "Permission denied";
    case WsaCode::BadAddress: return "Bad address";
    case WsaCode::InvalidArgument: return "Invalid argument";
    case WsaCode::TooManyOpenFiles: return "Too many open files";
    case WsaCode::WouldBlock: return "Operation would block";
    case WsaCode::InProgress: return "Operation now in progress";
    case WsaCode::AlreadyInProgress: return "Operation already in progress";
    case WsaCode::NotASocket: return "Socket operation on non-socket";
    case WsaCode::DestinationAddressRequired: return "Destination address required";
    case WsaCode::MessageTooLong: return "Message too long";
    case WsaCode::WrongProtocolType: return "Wrong protocol type for socket";
    case WsaCode::BadProtocolOption: return "Bad protocol option";
    case WsaCode::ProtocolNotSupported: return "Protocol not supported";
    case WsaCode::SocketTypeNotSupported: return "Socket type not supported";
    case WsaCode::OperationNotSupported: return "Operation not supported on socket";
    case WsaCode::ProtocolFamilyNotSupported: return "Protocol family not supported";
    case WsaCode::AddressFamilyNotSupported: return "Address family not supported by protocol family";
    case WsaCode::AddressInUse: return "Address already in use";
    case WsaCode::AddressNotAvailable: return "Can't assign requested address";
    case WsaCode::NetworkDown: return "Network is down";
    case WsaCode::NetworkUnreachable: return "Network is unreachable";
    case WsaCode::NetworkReset: return "Network dropped connection or reset";
    case WsaCode::ConnectionAborted: return "Software caused connection abort";
    case WsaCode::ConnectionReset: return "Connection reset by peer";
    case WsaCode::NoBufferSpace: return "No buffer space available";
    case WsaCode::AlreadyConnected: return "Socket is already connected";
    case WsaCode::NotConnected: return "Socket is not connected";
    case WsaCode::Shutdown: return "Can't send after socket shutdown";
    case WsaCode::TooManyReferences: return "Too many references, can't splice";
    case WsaCode::TimedOut: return "Connection timed out";
    case WsaCode::ConnectionRefused: return "Connection refused";
    case WsaCode::SymbolicLinkLoop: return "Too many levels of symbolic links";
    case WsaCode::NameTooLong: return "File name too long";
    case WsaCode::HostDown: return "Host is down";
    case WsaCode::HostUnreachable: return "No route to Host";
    case WsaCode::DirectoryNotEmpty: return "Directory not empty";
    case WsaCode::TooManyProcesses: return "Too many processes";
    case WsaCode::TooManyUsers: return "Too many users";
    case WsaCode::DiscQuotaExceeded: return "Disc quota exceeded";
    case WsaCode::StaleHandle: return "Stale NFS file handle";
    case WsaCode::Remote: return "Too many levels of remote in path";
    case WsaCode::SystemNotReady: return "Network subsystem is unavailable";
    case WsaCode::VersionNotSupported: return "Incompatible version of WINSOCK.DLL";
    case WsaCode::NotInitialised: return "Successful WSAStartup not yet performed";
    case WsaCode::HostNotFound: return "Host not found";
    case WsaCode::TryAgain: return "Non-Authoritative Host not found";
    case WsaCode::NoRecovery: return "Non-Recoverable error: FORMERR, REFUSED, NOTIMP";
    case WsaCode::NoData: return "Valid name, no data record of requested type";
    }
    return nullptr;  // a number that is not a code of the table
}

QString SocketErrorText(int code)
{
    if (code == 0)
        return QString();
    if (const char *text = TableText(static_cast<WsaCode>(code)))
        return QStringLiteral("%1:%2").arg(code).arg(QLatin1String(text));
    return QStringLiteral("Unknown Error No. %1").arg(code);
}

static constexpr QLatin1StringView kInvalidPortNumber{"Invalid port number "};

void CheckPortNumber(qint64 port)
{
    if (port < 1 || port > 65535)
        throw ESockError(kInvalidPortNumber + QString::number(port));
}

bool IsInvalidPortNumber(const ESockError &e)
{
    return e.Message().startsWith(kInvalidPortNumber);
}
