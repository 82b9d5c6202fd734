// What a run writes for the person or script that started it: each log
// line on standard output, and the messages a window would show in a box
// on standard error. Control characters are written out (PrintableLogLine),
// so names and addresses from pages and servers cannot drive a terminal.
#pragma once

#include <QString>

// The line as the log shows it, written to standard output with a line end.
// Returns the line as written.
QString WriteLogLine(const QString &text);

// A message's lines on standard error, one line each: a bare CR, as a
// message box shows it, is a line break here too.
void WriteMessage(const QString &text);
