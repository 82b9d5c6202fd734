// Runs an event handler so that no exception escapes into Qt's event
// dispatch: whatever it throws is shown in the standard error box (the
// exception's message) and the program goes on. Every handler that a
// signal, a timer or an event starts runs inside Guarded.
#pragma once

#include <QString>
#include <utility>

// Shows the message of the exception in flight in the standard error box.
void ShowHandlerException() noexcept;

template <class F>
void Guarded(F &&handler) noexcept
{
    try {
        std::forward<F>(handler)();
    } catch (...) {
        ShowHandlerException();
    }
}

// Wraps a handler for connect(): the slot runs it inside Guarded.
template <class F>
auto Guard(F handler)
{
    return [handler = std::move(handler)](auto &&...) mutable { Guarded(handler); };
}
