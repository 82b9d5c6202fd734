#include "net/range_request.h"

#include "net/response_header.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <algorithm>

namespace {

// A strong entity tag: DQUOTE, then visible bytes other than DQUOTE (or
// bytes of 0x80 and above), then DQUOTE.
bool IsStrongEntityTag(const QByteArray &tag)
{
    if (tag.size() < 2 || !tag.startsWith('"') || !tag.endsWith('"'))
        return false;
    for (qsizetype i = 1; i + 1 < tag.size(); ++i) {
        const auto byte = static_cast<unsigned char>(tag[i]);
        if (byte <= 0x20 || byte == '"' || byte == 0x7f)
            return false;
    }
    return true;
}

// A run of decimal digits that fits 63 bits; none for anything else.
std::optional<qint64> DecimalOf(const QByteArray &digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const int digit = c - '0';
        if (value > (INT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// A two- or four-digit field of a date.
int FieldOf(const QByteArray &date, qsizetype at, qsizetype size)
{
    const std::optional<qint64> value = DecimalOf(date.mid(at, size));
    return value ? int(*value) : -1;
}

}  // namespace

std::optional<qint64> HttpDateSeconds(const QByteArray &date)
{
    // "Sun, 06 Nov 1994 08:49:37 GMT": fixed positions.
    static const char kDays[] = "MonTueWedThuFriSatSun";
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (date.size() != 29 || date.mid(3, 2) != ", " || date[7] != ' ' || date[11] != ' ' || date[16] != ' '
        || date[19] != ':' || date[22] != ':' || !date.endsWith(" GMT"))
        return std::nullopt;
    const qsizetype day = QByteArray(kDays).indexOf(date.left(3));
    const qsizetype month = QByteArray(kMonths).indexOf(date.mid(8, 3));
    if (day < 0 || day % 3 != 0 || month < 0 || month % 3 != 0)
        return std::nullopt;
    // A field that is no run of digits is -1, which QDate would take as a
    // year (1 BC): every field must be a number.
    const int year = FieldOf(date, 12, 4), dayOfMonth = FieldOf(date, 5, 2);
    const int hour = FieldOf(date, 17, 2), minute = FieldOf(date, 20, 2), second = FieldOf(date, 23, 2);
    if (std::min({year, dayOfMonth, hour, minute, second}) < 0)
        return std::nullopt;
    const QDate calendarDay(year, int(month / 3) + 1, dayOfMonth);
    const QTime time(hour, minute, second);
    if (!calendarDay.isValid() || !time.isValid() || calendarDay.dayOfWeek() != day / 3 + 1)
        return std::nullopt;
    return QDateTime(calendarDay, time, Qt::UTC).toSecsSinceEpoch();
}

bool IsResumeValidator(const QByteArray &validator)
{
    return IsStrongEntityTag(validator) || HttpDateSeconds(validator).has_value();
}

QByteArray ResumeValidatorOf(const QByteArray &headerBlock)
{
    QByteArray etag, modified, date;
    const QList<QByteArray> lines = headerBlock.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {  // after the status line
        const QByteArray line = lines[i] + '\n';
        if (EndsHeaderBlock(line))
            break;
        for (auto [name, value] : {std::pair{"ETag", &etag}, {"Last-Modified", &modified}, {"Date", &date}}) {
            if (const QByteArray found = HeaderValueOf(line, name); !found.isNull() && value->isNull())
                *value = found;
        }
    }
    if (IsStrongEntityTag(etag))
        return etag;  // else a weak or broken tag: the date may still serve
    // A date is strong only when the response came a second or more after
    // it: the file cannot have changed twice within the second it names.
    const std::optional<qint64> modifiedAt = HttpDateSeconds(modified);
    const std::optional<qint64> sentAt = HttpDateSeconds(date);
    if (modifiedAt && sentAt && *sentAt >= *modifiedAt + 1)
        return modified;
    return QByteArray();
}

QByteArray RangeLine(qint64 from)
{
    return "Range: bytes=" + QByteArray::number(from) + '-';
}

QByteArray IfRangeLine(const QByteArray &validator)
{
    return "If-Range: " + validator;
}

std::optional<TContentRange> ContentRangeOf(const QByteArray &value)
{
    const QByteArray text = value.trimmed();
    if (text.size() < 6 || qstrnicmp(text.constData(), "bytes", 5) != 0 || (text[5] != ' ' && text[5] != '\t'))
        return std::nullopt;
    const QByteArray range = text.mid(6).trimmed();
    const qsizetype dash = range.indexOf('-');
    const qsizetype slash = range.indexOf('/');
    if (dash < 0 || slash < dash)
        return std::nullopt;
    const std::optional<qint64> first = DecimalOf(range.left(dash));
    const std::optional<qint64> last = DecimalOf(range.mid(dash + 1, slash - dash - 1));
    const QByteArray completeText = range.mid(slash + 1);
    const std::optional<qint64> complete = completeText == "*" ? std::optional<qint64>(-1) : DecimalOf(completeText);
    if (!first || !last || !complete || *last < *first || (*complete >= 0 && *last >= *complete))
        return std::nullopt;
    return TContentRange{*first, *last, *complete};
}
