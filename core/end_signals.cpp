#include "core/end_signals.h"

#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_caught = 0;

void OnEndSignal(int signal)
{
    const int saved = errno;
    g_caught = signal;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);  // a full pipe holds enough already
    errno = saved;
}

}  // namespace

void WatchEndSignals(QObject *owner, std::function<void(int)> onSignal)
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;  // no pipe: the signals keep their default action
    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [onSignal = std::move(onSignal)] {
        unsigned char number = 0;
        while (::read(g_pipe[0], &number, 1) == 1)
            onSignal(number);
    });
    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

int CaughtEndSignal()
{
    return g_caught;
}
