#include "net/response_header.h"

#include "net/url_splitter.h"

static QByteArray WithoutLineEnd(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

qint16 StatusNumberOf(const QByteArray &statusLine)
{
    const QByteArray field = FieldOf(WithoutLineEnd(statusLine), ' ', 2);
    if (field.isEmpty() || field.size() > 5)
        return 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return 0;
    }
    const int number = field.toInt();
    return number > 32767 ? 0 : qint16(number);
}

// The digits that follow the first non-digits; 0 when none or too large.
static qint64 LeadingNumberOf(const QByteArray &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] < '0' || text[i] > '9'))
        ++i;
    qint64 value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > (INT64_MAX - 9) / 10)
            return 0;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

THeaderValue ParseHeaderLine(const QByteArray &line)
{
    const QByteArray name = FieldOf(line, ' ', 1).toUpper();
    THeaderValue result;
    if (name == "SET-COOKIE:") {
        result.Field = THeaderField::SetCookie;
        result.Text = WithoutLineEnd(line.mid(12));
    } else if (name == "LOCATION:") {
        result.Field = THeaderField::Location;
        result.Text = WithoutLineEnd(line.mid(10));
    } else if (name == "CONTENT-LENGTH:") {
        result.Field = THeaderField::ContentLength;
        result.Length = LeadingNumberOf(line.mid(16));
    }
    return result;
}

bool EndsHeaderBlock(const QByteArray &line)
{
    return line.isEmpty() || line == "\n" || line == "\r\n";
}
