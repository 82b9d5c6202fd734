// Log lines quote names and addresses taken from pages and servers. Shown
// as they are, their control characters would act on the terminal that
// follows the program's standard output (ESC starts a terminal command, CR
// overwrites the line, BEL rings) or split one log line into several.
#pragma once

#include <QString>

// The line with every control character written out as text: CR and LF as
// "\r" and "\n", the other C0 controls (NUL included) and DEL as "\x1b"
// and the like, the C1 controls U+0080..U+009F as "\u009b". TAB stays as
// it is (it only moves to the next tab stop), as do a backslash and every
// other character, letters of any script included.
QString PrintableLogLine(const QString &line);
