#include "net/response_header.h"

#include "net/url_splitter.h"

#include <QList>

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

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray HeaderValueOf(const QByteArray &line, const char *name)
{
    const qsizetype length = qsizetype(qstrlen(name));
    if (line.size() <= length || line[length] != ':' || qstrnicmp(line.constData(), name, length) != 0)
        return QByteArray();
    QByteArray value = WithoutLineEnd(line.mid(length + 1)).trimmed();
    if (value.isNull())
        value = QByteArray("");  // present but empty: not null
    return value;
}

bool HasToken(const QByteArray &list, const char *token)
{
    for (const QByteArray &item : list.split(',')) {
        if (item.trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool IsChunkedCoding(const QByteArray &value)
{
    const QList<QByteArray> codings = value.split(',');
    return !codings.isEmpty() && codings.last().trimmed().compare("chunked", Qt::CaseInsensitive) == 0;
}

bool ServerKeepsOpen(const QByteArray &statusLine, const QByteArray &connection)
{
    const QByteArray version = FieldOf(statusLine, ' ', 1);
    const bool modern = version.startsWith("HTTP/") && version.size() >= 8
                     && (version.mid(5) == "1.1" || (version[5] >= '2' && version[5] <= '9'));
    return modern ? !HasToken(connection, "close") : HasToken(connection, "keep-alive");
}

std::optional<qint64> ChunkSizeOf(const QByteArray &line)
{
    const QByteArray text = WithoutLineEnd(line);
    qsizetype i = 0;
    qint64 size = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            break;
        if (size > (INT64_MAX >> 4))
            return std::nullopt;  // past 63 bits
        size = size * 16 + digit;
    }
    if (i == 0)
        return std::nullopt;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i < text.size() && text[i] != ';')
        return std::nullopt;
    return size;
}
