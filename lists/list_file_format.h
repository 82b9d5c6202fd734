// The two list file formats, as bytes. A text list is one entry per line,
// every line ended by CR LF; an HTML list is the line "<HTML><BODY>" and one
// link line per entry, read back by the link scanner. Entries are written
// unchanged, without escaping.
#pragma once

#include <QByteArray>
#include <QList>

// The entries of a text list: the text up to its first zero byte, split at
// CR LF, CR or LF; a final line ending adds no entry.
QList<QByteArray> ListFileLines(const QByteArray &text);

// The text up to (not including) its first zero byte.
QByteArray TextUpToNul(const QByteArray &text);

// The lines of an HTML list: "<HTML><BODY>", then for each entry
// <A HREF="entry">entry</A><BR>. No closing tags.
QList<QByteArray> HtmlListLines(const QList<QByteArray> &entries);
