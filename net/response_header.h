// Reading the lines of an HTTP response header block: the status number,
// the three header lines the client acts on, and the end of the block.
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

// The second blank-separated field of the status line as a decimal number
// (the line end is not part of it); 0 when it is not a number from 0 to
// 32767.
qint16 StatusNumberOf(const QByteArray &statusLine);

enum class THeaderField { Other, SetCookie, Location, ContentLength };

struct THeaderValue {
    THeaderField Field = THeaderField::Other;
    QByteArray Text;     // the value, no line end (Content-Length: without blanks around it)
    qint64 Length = -1;  // Content-Length: ContentLengthOf(Text), -1 when it is none
};

// Set-Cookie and Location are recognised (without regard to case) only when
// their colon and one blank follow the name directly; the value starts after
// that blank. Content-Length is recognised as HeaderValueOf finds it.
THeaderValue ParseHeaderLine(const QByteArray &line);

// Whether a line is an HTTP status line: it starts with "HTTP/" (RFC 9112
// 4). What a server sends in its place is junk; read as ever, it gives
// status number 0.
bool IsHttpStatusLine(const QByteArray &line);

// The body length a Content-Length value gives: one non-negative decimal
// number (RFC 9110 8.6). A list of the same number repeated ("5, 5", as
// two lines of 5 give when combined with ", ") is that number. None for
// anything else: no digits, a sign, letters, an empty item, a number past
// 63 bits, two different numbers.
std::optional<qint64> ContentLengthOf(const QByteArray &value);

// A lone LF, CR LF, or the empty line of a closed connection.
bool EndsHeaderBlock(const QByteArray &line);

// The value of a header line named name (any case; blanks around the value
// dropped); a null QByteArray when the line has another name.
QByteArray HeaderValueOf(const QByteArray &line, const char *name);

// Whether a comma-separated list ("keep-alive, Upgrade") holds token, in
// any case.
bool HasToken(const QByteArray &list, const char *token);

// Whether a Transfer-Encoding value ends in "chunked", which frames the body.
bool IsChunkedCoding(const QByteArray &value);

// Whether the server keeps the connection open after this response: an
// HTTP/1.1 (or later) status line unless Connection holds "close", an
// older one only when Connection holds "keep-alive".
bool ServerKeepsOpen(const QByteArray &statusLine, const QByteArray &connection);

// The size of a chunk from its line: hexadecimal digits, then optional
// blanks and extensions after ";" (ignored), then the line end. None when
// the line holds no digits, another character, or a size past 63 bits.
std::optional<qint64> ChunkSizeOf(const QByteArray &line);
