// Holds a window's repaints to one per frame. Every small change during a
// batch (a log line, the counter, the activity light, a status panel) asks
// the window for a repaint, and the event pump between transfers would grant
// each one at once: a thousand small files meant a thousand repaints of the
// whole tab, far more than a screen shows. With the throttle the window
// paints at most once per interval; a request that comes sooner is held and
// granted when the interval is over, so the last state is always drawn.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

class PaintThrottle final : public QObject {
public:
    // Throttles window, a top-level widget; the throttle belongs to it.
    explicit PaintThrottle(QWidget *window, int intervalMs = 16);

    int Frames() const { return frames_; }  // repaints granted so far
    int Held() const { return held_; }      // requests held back so far

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void GrantHeld();

    QWidget *window_;
    const int intervalMs_;
    QElapsedTimer sinceFrame_;
    QTimer holdTimer_;
    int frames_ = 0;
    int held_ = 0;
};
