// Resuming a transfer with a range request, as plain functions: which
// validator of a response a later If-Range may carry, the request lines,
// and the reading of a partial answer's Content-Range.
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

// The validator of a response for a later If-Range, from its header block
// (the status line and header lines, with their line ends, as
// THttpClient::Header keeps them): its strong ETag ("xyz", never a weak
// W/"xyz", which If-Range cannot carry); else its Last-Modified date when
// that date is strong, that is an IMF-fixdate ("Sun, 06 Nov 1994 08:49:37
// GMT") at least one second before the response's own Date; else empty.
// A value with bytes an entity tag or a date cannot hold is never taken.
QByteArray ResumeValidatorOf(const QByteArray &headerBlock);

// Whether validator can go into an If-Range line: a strong entity tag or
// an IMF-fixdate, nothing else (no line break can ever reach the request).
bool IsResumeValidator(const QByteArray &validator);

// An IMF-fixdate as seconds since 1970 (UTC); none for anything else.
std::optional<qint64> HttpDateSeconds(const QByteArray &date);

// The request lines of a resume, without line ends: "Range: bytes=N-" and
// "If-Range: <validator>".
QByteArray RangeLine(qint64 from);
QByteArray IfRangeLine(const QByteArray &validator);

// "bytes first-last/complete" of a 206 answer; Complete is -1 for "*".
struct TContentRange {
    qint64 First = 0;
    qint64 Last = 0;
    qint64 Complete = -1;
    qint64 Length() const { return Last - First + 1; }
};

// The Content-Range value (blanks around it allowed, the unit in any case);
// none when it is malformed, has a sign or a number past 63 bits, or is
// inconsistent (last before first, last at or past the complete length).
std::optional<TContentRange> ContentRangeOf(const QByteArray &value);
