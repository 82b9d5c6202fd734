// Reading the lines of an HTTP response header block: the status number,
// the three header lines the client acts on, and the end of the block.
#pragma once

#include <QByteArray>
#include <QtGlobal>

// The second blank-separated field of the status line as a decimal number
// (the line end is not part of it); 0 when it is not a number from 0 to
// 32767.
qint16 StatusNumberOf(const QByteArray &statusLine);

enum class THeaderField { Other, SetCookie, Location, ContentLength };

struct THeaderValue {
    THeaderField Field = THeaderField::Other;
    QByteArray Text;     // Set-Cookie and Location: the value, no line end
    qint64 Length = 0;   // Content-Length: the number, 0 when there is none
};

// A name is recognised (without regard to case) only when its colon and one
// blank follow it directly; the value starts after that blank.
THeaderValue ParseHeaderLine(const QByteArray &line);

// A lone LF, CR LF, or the empty line of a closed connection.
bool EndsHeaderBlock(const QByteArray &line);
