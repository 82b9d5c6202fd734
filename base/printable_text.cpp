#include "base/printable_text.h"

static bool NeedsEscape(char16_t c)
{
    if (c == u'\t')
        return false;
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

static void AppendEscape(QString &out, char16_t c)
{
    static const char kHex[] = "0123456789abcdef";
    if (c == u'\r') {
        out += QLatin1StringView("\\r");
    } else if (c == u'\n') {
        out += QLatin1StringView("\\n");
    } else if (c < 0x80) {
        out += QLatin1StringView("\\x");
        out += QLatin1Char(kHex[c >> 4]);
        out += QLatin1Char(kHex[c & 0xf]);
    } else {
        out += QLatin1StringView("\\u00");
        out += QLatin1Char(kHex[c >> 4]);
        out += QLatin1Char(kHex[c & 0xf]);
    }
}

QString PrintableLogLine(const QString &line)
{
    qsizetype first = 0;
    while (first < line.size() && !NeedsEscape(line[first].unicode()))
        ++first;
    if (first == line.size())
        return line;  // the usual case: nothing to escape, no copy
    QString out = line.left(first);
    out.reserve(line.size() + 8);
    for (qsizetype i = first; i < line.size(); ++i) {
        const char16_t c = line[i].unicode();
        if (NeedsEscape(c))
            AppendEscape(out, c);
        else
            out += QChar(c);
    }
    return out;
}
