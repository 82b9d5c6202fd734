// Scopes shared by the connection's operations (private to net/).
#pragma once

#include "net/socket_connection.h"

// Keeps the time-out running for the lifetime of one waiting operation.
class TSocketConnection::TimerScope {
public:
    explicit TimerScope(TSocketConnection &c) : c_(c) { c_.TimerOn(); }
    ~TimerScope() { c_.TimerOff(); }
    TimerScope(const TimerScope &) = delete;
    TimerScope &operator=(const TimerScope &) = delete;

private:
    TSocketConnection &c_;
};

// Marks a read operation as running, so that the read notifier stays
// enabled between its waits (see ReadNotified). The notifier is left
// enabled afterwards: the next read of the same request needs it again,
// and the close switches it off.
class TSocketConnection::ReadingScope {
public:
    explicit ReadingScope(TSocketConnection &c) : c_(c) { ++c_.readers_; }
    ~ReadingScope() { --c_.readers_; }
    ReadingScope(const ReadingScope &) = delete;
    ReadingScope &operator=(const ReadingScope &) = delete;

private:
    TSocketConnection &c_;
};

// Runs the low-speed limit for the lifetime of one read operation (ReadLn,
// a capture): its seconds count on from the last read of the same answer.
class TSocketConnection::LowSpeedScope {
public:
    explicit LowSpeedScope(TSocketConnection &c) : c_(c) { c_.StartLowSpeedWatch(); }
    ~LowSpeedScope() { c_.StopLowSpeedWatch(); }
    LowSpeedScope(const LowSpeedScope &) = delete;
    LowSpeedScope &operator=(const LowSpeedScope &) = delete;

private:
    TSocketConnection &c_;
};
