#include "net/event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

namespace net {

void PumpEvents(PumpMode mode)
{
    // Per thread: each thread pumps its own events (a transfer worker's
    // client waits in its own thread's loop), so each throttles on its own.
    thread_local QElapsedTimer sinceLastPump;
    if (mode == PumpMode::PendingOnly) {
        if (sinceLastPump.isValid() && sinceLastPump.elapsed() < 10)
            return;
        sinceLastPump.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    sinceLastPump.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace net
