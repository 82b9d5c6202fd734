#include "tests/support/qt_printers.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <ostream>

namespace {

bool IsHexDigit(char32_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Writes a quoted literal character by character. A \x escape takes every
// hex digit that follows it, so a hex digit right after one starts a new
// literal: "\x01" "A".
class LiteralWriter {
public:
    explicit LiteralWriter(std::ostream &os) : os_(os) { os_ << '"'; }
    ~LiteralWriter() { os_ << '"'; }
    LiteralWriter(const LiteralWriter &) = delete;
    LiteralWriter &operator=(const LiteralWriter &) = delete;

    // A character below 0x100: printable ASCII as is, the rest escaped.
    void Byte(char32_t c)
    {
        if (afterHex_ && IsHexDigit(c))
            os_ << "\" \"";
        afterHex_ = false;
        switch (c) {
        case '"': os_ << "\\\""; return;
        case '\\': os_ << "\\\\"; return;
        case '\n': os_ << "\\n"; return;
        case '\r': os_ << "\\r"; return;
        case '\t': os_ << "\\t"; return;
        default: break;
        }
        if (c >= 0x20 && c < 0x7f) {
            os_ << char(c);
            return;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02X", unsigned(c));
        os_ << escape;
        afterHex_ = true;
    }
    // A UTF-16 unit as \uXXXX, which takes exactly four digits.
    void Unit(char16_t c)
    {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04X", unsigned(c));
        os_ << escape;
        afterHex_ = false;
    }
    void Utf8(const QByteArray &text)
    {
        os_ << text.constData();
        afterHex_ = false;
    }

private:
    std::ostream &os_;
    bool afterHex_ = false;
};

}  // namespace

void PrintTo(const QString &text, std::ostream *os)
{
    LiteralWriter out(*os);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out.Byte(c);
        } else if (c < 0xa0) {
            out.Unit(c);  // C1 control
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.Utf8(text.mid(i, 2).toUtf8());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            out.Unit(c);  // unpaired: UTF-8 has no form for it
        } else {
            out.Utf8(QString(QChar(c)).toUtf8());
        }
    }
}

void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    LiteralWriter out(*os);
    for (const char c : bytes)
        out.Byte(static_cast<unsigned char>(c));
}

void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0)
            *os << ", ";
        PrintTo(list[i], os);
    }
    *os << '}';
}
