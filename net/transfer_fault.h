// How a file transfer failed, as one code: the client's Get raised an
// exception, and this names the kind, so that the code above net/ decides
// on a retry, a failure or a stop by the code and never by an exception's
// text. The texts a log line needs come with it, in both languages.
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

enum class TTransferFault {
    None,            // Get returned normally
    TimedOut,        // no answer within the time-out (connection or host lookup)
    Canceled,        // Stop, Disconnect, closing: the request was canceled
    SendAborted,     // canceled while the request was being sent
    LookupCanceled,  // canceled during the host lookup
    InvalidPort,     // the address names a port that cannot be: the text is the client's
    Resume,          // a range answer that does not continue the part
    Tls,             // a certificate refused or a handshake failed: no request went out
    BrokenOff,       // reset, cut short: another attempt may get it whole
    CannotCreate,    // the part file could not be created (the text: the system's reason)
    CannotWrite,     // writing the body failed (disk full, I/O error)
    RangeCheck,      // an index out of range (kRangeCheckError)
    Other,           // any other failure of the transfer, with its text
    Foreign,         // not one of the program's exceptions: passed on as it is
    NotForStreams,   // an HTTP/2 stream's answer redirects: ask again over HTTP/1.x
};

// The code and texts of what a Get raised. timedOut: the client's TimedOut
// (a wait that ran into the time-out ends like a cancel); lastError: its
// LastError (the system's code behind "Connection Failed"); lowSpeedTime:
// its LowSpeedTime, for the text of a too slow transfer.
struct TTransferFaultInfo {
    TTransferFault fault = TTransferFault::None;
    QString text;         // Slovene
    QString textEnglish;
    const QString &Text(bool english) const { return english ? textEnglish : text; }
};
TTransferFaultInfo ClassifyTransferFault(const std::exception_ptr &error, bool timedOut, int lastError,
                                         qint32 lowSpeedTime);

// How asking for a page failed, as the page load tells it: by this code,
// never by the exception's text.
enum class TPageFault {
    LookupCanceled,   // Stop during the host look-up
    LookupTimedOut,   // the host look-up ran into the time-out
    HostNotFound,     // no such host, or no address for it
    ConnectTimedOut,  // the connection ran into the time-out
    ConnectCanceled,  // Stop or Disconnect while connecting
    InvalidPort,      // the address names a port that cannot be
    PageTooLarge,     // the page is larger than a page may be
    Tls,              // a certificate refused or a handshake failed
    Other,            // anything else: the answer's own failure text
};
TPageFault ClassifyPageFault(const class ESockError &e);

// "404 Not Found" from a response header block whose first line is
// "HTTP/1.0 404 Not Found"; the whole first line without its end when it
// has no blank; empty for an empty block.
QByteArray StatusLineText(const QByteArray &headerBlock);
