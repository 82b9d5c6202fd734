#include "net/event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

namespace net {

void PumpEvents(PumpMode mode)
{
    static QElapsedTimer sinceLastPump;
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
