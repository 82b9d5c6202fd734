#include "core/lists/list_file_format.h"

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

namespace {

// The entry with each byte that needs it written as "%" and two upper-case
// hex digits, as the request line writes it.
template <typename Needs>
QByteArray PercentEncoded(const QByteArray &entry, Needs needs)
{
    static const char kHex[] = "0123456789ABCDEF";
    QByteArray line;
    line.reserve(entry.size());
    for (const char c : entry) {
        const auto byte = static_cast<unsigned char>(c);
        if (needs(byte))
            line.append('%').append(kHex[byte >> 4]).append(kHex[byte & 15]);
        else
            line.append(c);
    }
    return line;
}

bool EndsALine(unsigned char byte)
{
    return byte == '\0' || byte == '\r' || byte == '\n';
}

// The link text of an HTML list line.
QByteArray HtmlLinkText(const QByteArray &link)
{
    QByteArray text;
    text.reserve(link.size());
    for (qsizetype i = 0; i < link.size(); ++i) {
        const char c = link[i];
        if (c == '<')
            text.append("&lt;");
        else if (c == '&')
            text.append("&amp;");
        else if ((c == 'h' || c == 'H') && link.mid(i + 1, 3).compare("ref", Qt::CaseInsensitive) == 0)
            text.append(c == 'h' ? "&#104;" : "&#72;");
        else
            text.append(c);
    }
    return text;
}

}  // namespace

QByteArray TextListEntry(const QByteArray &entry)
{
    return PercentEncoded(entry, EndsALine);
}

QList<QByteArray> TextListLines(const QList<QByteArray> &entries)
{
    QList<QByteArray> lines;
    lines.reserve(entries.size());
    for (const QByteArray &entry : entries)
        lines << TextListEntry(entry);
    return lines;
}

QByteArray HtmlListEntry(const QByteArray &entry)
{
    return PercentEncoded(entry, [](unsigned char byte) {
        return EndsALine(byte) || byte == ' ' || byte == '"' || byte == '\'' || byte == '>';
    });
}

QList<QByteArray> HtmlListLines(const QList<QByteArray> &entries)
{
    QList<QByteArray> lines;
    lines.reserve(entries.size() + 1);
    lines << QByteArrayLiteral("<HTML><BODY>");
    for (const QByteArray &entry : entries) {
        const QByteArray link = HtmlListEntry(entry);
        lines << "<A HREF=\"" + link + "\">" + HtmlLinkText(link) + "</A><BR>";
    }
    return lines;
}
