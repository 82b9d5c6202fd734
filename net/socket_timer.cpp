#include "net/socket_timer.h"

#include <QDebug>
#include <exception>

TSocketTimer::TSocketTimer(QObject *owner) : QObject(owner)
{
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TSocketTimer::Tick);
}

void TSocketTimer::SetInterval(quint32 interval)
{
    if (interval == interval_)
        return;
    interval_ = interval;
    UpdateTimer();
}

void TSocketTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    UpdateTimer();
}

void TSocketTimer::SetOnTimer(std::function<void(TSocketTimer *)> handler)
{
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TSocketTimer::UpdateTimer()
{
    timer_.stop();
    if (interval_ != 0 && enabled_ && onTimer_)
        timer_.start(int(qMin<quint32>(interval_, INT_MAX)));
}

// Runs from the event loop: nothing may unwind into Qt's dispatch.
void TSocketTimer::Tick()
{
    try {
        if (onTimer_)
            onTimer_(this);
    } catch (const std::exception &e) {
        qWarning("Socket timer: %s", e.what());
    } catch (...) {
        qWarning("Socket timer: unknown exception");
    }
}
