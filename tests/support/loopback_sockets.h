// Socket pieces the test servers share: a loopback socket on an ephemeral
// port, a send of a whole block, and the wait of an accept loop that a stop
// can end.
#pragma once

#include <QtGlobal>
#include <atomic>

// A socket bound to 127.0.0.1 on an ephemeral port (given back in port),
// not yet listening; receiveBuffer > 0 sets its receive buffer size.
// Throws std::runtime_error when the system refuses.
int BoundLoopbackSocket(quint16 &port, int receiveBuffer = 0);

// Sends all of data; false when the peer takes no more.
bool SendAll(int fd, const char *data, qsizetype size);

// Waits for the next connection on listenFd and accepts it; -1 once
// stopping is set (a byte on wakeFd wakes the wait) or the wait fails.
int AcceptUnlessStopping(int listenFd, int wakeFd, const std::atomic<bool> &stopping);
