// The two list file formats, as bytes. A text list is one entry per line,
// every line ended by CR LF; an HTML list is the line "<HTML><BODY>" and one
// link line per entry, read back by the link scanner.
//
// The writers never write what the readers cannot give back: a text list
// entry's zero, CR and LF bytes are percent-encoded (%00, %0D, %0A), so
// that the entry stays on its line and the list goes on after it. Reading
// does not decode them. For a download this loses nothing: the request
// line percent-encodes every byte up to the blank the same way before
// sending, so the server receives the same bytes either way.
#pragma once

#include <QByteArray>
#include <QList>

// The entries of a text list: the text up to its first zero byte, split at
// CR LF, CR or LF; a final line ending adds no entry.
QList<QByteArray> ListFileLines(const QByteArray &text);

// The text up to (not including) its first zero byte.
QByteArray TextUpToNul(const QByteArray &text);

// An entry as a text list line: its zero, CR and LF bytes percent-encoded.
QByteArray TextListEntry(const QByteArray &entry);
// The lines of a text list, one per entry (see TextListEntry); written with
// their CR LF ends, they read back to as many entries as were written.
QList<QByteArray> TextListLines(const QList<QByteArray> &entries);

// An entry as the link scanner must find it in an HTML list line: as for a
// text list, and the bytes that end a value there (blank, double and single
// quote, ">") percent-encoded as well (%20, %22, %27, %3E).
QByteArray HtmlListEntry(const QByteArray &entry);

// The lines of an HTML list: "<HTML><BODY>", then for each entry
// <A HREF="link">text</A><BR>, the link being HtmlListEntry(entry) and the
// text the same with "<" and "&" written as "&lt;" and "&amp;", and the "h"
// of every "href" in it (any case) as "&#104;" or "&#72;", so the text
// holds no link of its own for the scanner. An ordinary address is its own
// text. No closing tags.
QList<QByteArray> HtmlListLines(const QList<QByteArray> &entries);
