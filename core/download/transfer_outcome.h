// What a finished transfer of one file amounts to: the status it ended
// with, and whether an HTML page came where the link named another type.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// "404 Not Found" from a response header block whose first line is
// "HTTP/1.0 404 Not Found"; the whole first line without its end when it
// has no blank; empty for an empty block.
QByteArray StatusTextOf(const QByteArray &headerBlock);

// True when the bytes begin like an HTML page: an optional UTF-8 byte order
// mark and white space, then "<!doctype html", "<html", "<head" or "<body"
// in any case. Nothing else is judged, so a picture of a format nobody
// knows passes.
bool LooksLikeHtmlPage(QByteArrayView firstBytes);

// How many first bytes LooksLikeHtmlPage needs at most.
inline constexpr qsizetype kHtmlSniffBytes = 1024;

// What one look at a finished part file found: its size (-1 when it could
// not be opened or is no regular file) and its first bytes.
struct TPartLook {
    qint64 size = -1;
    QByteArray first;
};

// True when the link may answer with a page: the last segment of its path
// (query and fragment cut off) has no extension, or one of htm, html,
// shtml, xhtml (the rows the type table admits for "*.htm, *.html"), php,
// asp, aspx, jsp; any case. "http://host" and "http://host/dir/" too.
bool LinkMayBeAPage(QByteArrayView address);
