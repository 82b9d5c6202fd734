// Helpers shared by every test suite: a scripted name resolver, exception
// capture, and a handler scheduled to run nested inside a wait.
#pragma once

#include "base/errors.h"
#include "net/host_resolver.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <map>
#include <optional>
#include <vector>

// Answers look-ups from a table after a scripted delay; names not in the
// table fail. Installed on a connection through its Resolver member.
class ScriptedResolver final : public THostResolver {
public:
    struct Answer {
        std::optional<quint32> Address;
        int DelayMs = 0;
    };

    void LookUp(const QByteArray &name, QObject *context, Done done) override
    {
        Names.push_back(name);
        const auto it = Answers.find(name);
        const Answer answer = it == Answers.end() ? Answer{} : it->second;
        QTimer::singleShot(answer.DelayMs, context,
                           [done = std::move(done), answer] { done(answer.Address); });
    }

    std::map<QByteArray, Answer> Answers;
    std::vector<QByteArray> Names;  // every name asked for, in order
};

constexpr quint32 kLoopback = 0x7f000001;

// The message of the exception of class E that f raises, or a marker text
// when it raises nothing (another class propagates and fails the test).
template <class E, class F>
QString ThrownMessage(F &&f)
{
    try {
        f();
    } catch (const E &e) {
        return e.Message();
    }
    return QStringLiteral("<nothing raised>");
}

// Runs f from the event loop after ms: a handler nested in a wait. It
// never runs after context (the connection under test) is gone.
template <class F>
void Later(QObject *context, int ms, F f)
{
    QTimer::singleShot(ms, context, std::move(f));
}
