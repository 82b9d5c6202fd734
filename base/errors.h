// The failures of the program as exception classes. Callers tell them
// apart by class and by the exact message text, so every message is kept
// verbatim. No exception may leave an event handler: see handler_guard.h.
#pragma once

#include <QString>
#include <exception>
#include <string>

// Base of all of the program's own failures: a message text.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString &Message() const noexcept { return message_; }
    const char *what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// A failure of the socket layer or of the HTTP transaction.
class ESockError : public Exception {
public:
    using Exception::Exception;
};

// A socket operation that was cancelled or timed out while it waited.
class EAbortError : public ESockError {
public:
    using ESockError::ESockError;
};

// The one text of ERangeError.
inline constexpr QLatin1StringView kRangeCheckError{"Range check error"};

// An index or size outside the permitted range: always kRangeCheckError.
class ERangeError : public Exception {
public:
    ERangeError();
};

// A text that is not a valid integer: "'%s' is not a valid integer value".
class EConvertError : public Exception {
public:
    using Exception::Exception;
    static EConvertError NotAnInteger(const QString &text);
};

// A file that could not be created: "Cannot create file %s" plus the reason.
class EFCreateError : public Exception {
public:
    using Exception::Exception;
    // Cannot create file "path". reason
    static EFCreateError CannotCreate(const QString &path, const QString &reason);
    // The system's reason alone ("Permission denied"); empty when not known.
    QString Reason;
};

// A file that could not be opened: "Cannot open file %s" plus the reason.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
    // Cannot open file "path". reason
    static EFOpenError CannotOpen(const QString &path, const QString &reason);
};

// A read or write on an open file failed (disk full, file-size limit ...).
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

// A list index outside the list: "List index out of bounds (%d)".
class EListError : public Exception {
public:
    using Exception::Exception;
    static EListError OutOfBounds(qsizetype index);
};

// The system's message text for an errno value, e.g. "No space left on device".
QString SystemErrorMessage(int error);
