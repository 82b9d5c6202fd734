#include "cli/terminal.h"

#include <QByteArray>

#include <cstdio>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
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
    QByteArray line;
    char c = 0;
    ssize_t got = 0;
    while ((got = ::read(tty, &c, 1)) == 1 && c != '\n' && line.size() < 4096)
        line += c;
    if (canHide)
        ::tcsetattr(tty, TCSAFLUSH, &old);
    ::close(tty);
    if (!written || got < 0)
        return std::nullopt;
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}
