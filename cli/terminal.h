// What grabulo-cli asks of the terminal: whether standard error is one and
// how wide, a password read from it with the echo off, and standard input
// read to its end; the reads give way to SIGINT, SIGTERM and SIGHUP.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

bool StandardErrorIsTerminal();
bool StandardOutputIsTerminal();
// The columns of the terminal on standard error; 80 when it does not say.
int TerminalColumns();
// The prompt on the controlling terminal and the line typed there, not
// shown; none without a terminal (or when reading it failed).
std::optional<QString> AskOnTerminal(const QString &prompt);
// Everything on this descriptor (standard input) up to its end; none when
// reading failed or an end signal came first.
std::optional<QByteArray> ReadAllOf(int fd);
