// TSocketTimer: the time-out timer of a socket connection, a plain QTimer
// under the names the connection uses (Interval in milliseconds, Enabled,
// OnTimer). It runs only while Enabled, Interval is not 0 and OnTimer is set.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class TSocketTimer : public QObject {
    Q_OBJECT
public:
    explicit TSocketTimer(QObject *owner = nullptr);

    quint32 Interval() const { return interval_; }
    void SetInterval(quint32 interval);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    void SetOnTimer(std::function<void(TSocketTimer *)> handler);

    // Stops the timer and starts it afresh when it should run. Setting
    // Enabled to true while it already is restarts nothing; the connection
    // restarts a running timer by switching it off and on.
    void UpdateTimer();

private:
    void Tick();

    QTimer timer_;
    quint32 interval_ = 1000;
    bool enabled_ = true;
    std::function<void(TSocketTimer *)> onTimer_;
};
