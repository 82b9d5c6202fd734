#include "cli/terminal.h"

#include "core/end_signals.h"

#include <QByteArray>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

bool StandardOutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

int TerminalColumns()
{
    struct winsize size = {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

std::optional<QString> AskOnTerminal(const QString &prompt)
{
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0)
        return std::nullopt;
    const QByteArray text = prompt.toUtf8();
    bool written = ::write(tty, text.constData(), size_t(text.size())) == text.size();
    struct termios old = {};
    const bool canHide = ::tcgetattr(tty, &old) == 0;
    if (canHide) {
        struct termios hidden = old;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        hidden.c_lflag |= ECHONL;
        ::tcsetattr(tty, TCSAFLUSH, &hidden);
    }
    // A short wait at a time, so that SIGINT, SIGTERM or SIGHUP (whose
    // handler lets the read go on) end the question too.
    QByteArray line;
    char c = 0;
    ssize_t got = 0;
    while (!CaughtEndSignal() && line.size() < 4096) {
        struct pollfd wait = {tty, POLLIN, 0};
        const int ready = ::poll(&wait, 1, 100);
        if (ready < 0 && errno != EINTR) {
            got = -1;
            break;
        }
        if (ready <= 0)
            continue;
        if ((got = ::read(tty, &c, 1)) != 1 || c == '\n')
            break;
        line += c;
    }
    if (canHide)
        ::tcsetattr(tty, TCSAFLUSH, &old);
    ::close(tty);
    if (!written || got < 0 || CaughtEndSignal())
        return std::nullopt;
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

std::optional<QByteArray> ReadAllOf(int fd)
{
    QByteArray all;
    char buffer[65536];
    while (!CaughtEndSignal()) {
        struct pollfd wait = {fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, 100);
        if (ready < 0 && errno != EINTR)
            return std::nullopt;
        if (ready <= 0)
            continue;
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            return all;
        if (got < 0 && errno != EINTR && errno != EAGAIN)
            return std::nullopt;
        if (got > 0)
            all.append(buffer, got);
    }
    return std::nullopt;
}
