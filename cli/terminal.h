// What grabulo-cli asks of the terminal: whether standard error is one and
// how wide, and a password read from it with the echo off.
#pragma once

#include <QString>

#include <optional>

bool StandardErrorIsTerminal();
// The columns of the terminal on standard error; 80 when it does not say.
int TerminalColumns();
// The prompt on the controlling terminal and the line typed there, not
// shown; none without a terminal (or when reading it failed).
std::optional<QString> AskOnTerminal(const QString &prompt);
