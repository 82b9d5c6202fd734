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
