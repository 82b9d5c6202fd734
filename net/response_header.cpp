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

bool IsHttpStatusLine(const QByteArray &line)
{
    return line.startsWith("HTTP/");
}

// A decimal number of digits only; none past 63 bits.
static std::optional<qint64> DecimalOf(const QByteArray &digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9' || value > (INT64_MAX - (c - '0')) / 10)
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<qint64> ContentLengthOf(const QByteArray &value)
{
    std::optional<qint64> length;
    for (const QByteArray &item : value.split(',')) {
        const std::optional<qint64> number = DecimalOf(item.trimmed());
        if (!number || (length && *length != *number))
            return std::nullopt;
        length = number;
    }
    return length;
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
    } else if (const QByteArray value = HeaderValueOf(line, "Content-Length"); !value.isNull()) {
        result.Field = THeaderField::ContentLength;
        result.Text = value;
        result.Length = ContentLengthOf(value).value_or(-1);
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
