// The one place in the program that pumps events while a network operation
// waits. It blocks in the event loop until the next event (a socket
// notification, a timer, a finished name look-up, user input) has been
// handled, so a wait costs no CPU time and adds no latency. Any handler of
// the program may run nested inside it.
#pragma once

namespace net {

enum class PumpMode {
    // Handle the pending events, or block until at least one arrives.
    WaitForMore,
    // Handle what is pending and return at once; used between the blocks of
    // a fast transfer so the window stays responsive. Throttled: it pumps at
    // most every few milliseconds and is otherwise a clock read.
    PendingOnly,
};

void PumpEvents(PumpMode mode);

}  // namespace net
