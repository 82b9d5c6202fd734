// Runs a handler when a widget receives an event of one type (a key
// release, a double click, a mouse move ...), for the events Qt offers no
// signal for. The handler runs inside the handler guard; the event then
// goes on to the widget as usual.
#pragma once

#include <QEvent>
#include <QObject>
#include <functional>

void OnEvent(QObject *target, QEvent::Type type, std::function<void(QEvent *)> handler);
