#include "lists/list_file_format.h"

#include "base/text_lines.h"

QByteArray TextUpToNul(const QByteArray &text)
{
    const qsizetype nul = text.indexOf('\0');
    return nul < 0 ? text : text.left(nul);
}

QList<QByteArray> ListFileLines(const QByteArray &text)
{
    return SplitLines(TextUpToNul(text));
}

QList<QByteArray> HtmlListLines(const QList<QByteArray> &entries)
{
    QList<QByteArray> lines;
    lines.reserve(entries.size() + 1);
    lines << QByteArrayLiteral("<HTML><BODY>");
    for (const QByteArray &entry : entries)
        lines << "<A HREF=\"" + entry + "\">" + entry + "</A><BR>";
    return lines;
}
