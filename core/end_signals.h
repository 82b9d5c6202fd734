// SIGINT, SIGTERM and SIGHUP as events of the program. A signal handler may
// call no Qt function, so the handler only writes the signal's number into
// a pipe; a socket notifier on the pipe's other end hands it to the event
// loop, where the program ends its run as the user would (the waits of the
// network code pump events, so a running transfer sees it at once).
#pragma once

#include <functional>

class QObject;

// Catches the three signals from now on; onSignal runs in the event loop,
// once per signal caught. The notifier belongs to owner.
void WatchEndSignals(QObject *owner, std::function<void(int signal)> onSignal);

// The last of the three signals caught, 0 for none: for a moment when no
// event loop runs any more.
int CaughtEndSignal();

// The exit status of a run ended by the signal: 128 and its number.
constexpr int ExitStatusOfSignal(int signal) { return 128 + signal; }
