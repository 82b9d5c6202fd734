#include "gui/event_hook.h"

#include "gui/handler_guard.h"

namespace {
class EventHook final : public QObject {
public:
    EventHook(QObject *target, QEvent::Type type, std::function<void(QEvent *)> handler)
        : QObject(target), type_(type), handler_(std::move(handler))
    {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == type_)
            Guarded([&] { handler_(event); });
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void(QEvent *)> handler_;
};
}  // namespace

void OnEvent(QObject *target, QEvent::Type type, std::function<void(QEvent *)> handler)
{
    new EventHook(target, type, std::move(handler));
}
