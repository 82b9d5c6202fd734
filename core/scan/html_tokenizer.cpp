#include "core/scan/html_tokenizer.h"

#include <cstring>
#include <string_view>

namespace {

// Past this many attributes a tag looks its repeats up in a set.
constexpr qsizetype kLinearAttributeLimit = 16;

constexpr std::string_view kRawTextElements[] = {
    "script", "style", "textarea", "title", "xmp", "iframe", "noembed", "noframes",
};

using html_chars::IsDigit;
using html_chars::IsLetter;
using html_chars::IsSpace;

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c)
{
    return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

const char *FindByte(const char *p, const char *end, char c)
{
    const void *hit = std::memchr(p, c, size_t(end - p));
    return hit ? static_cast<const char *>(hit) : end;
}

// A tag or attribute name: ASCII letters lower-cased, a zero byte U+FFFD.
void SetName(QByteArray &name, const char *from, const char *to)
{
    if (std::memchr(from, '\0', size_t(to - from))) {
        name.clear();
        for (const char *p = from; p < to; ++p) {
            if (*p == '\0')
                name += "\xEF\xBF\xBD";
            else
                name += AsciiLower(*p);
        }
        return;
    }
    name.resize(to - from);
    char *out = name.data();
    for (const char *p = from; p < to; ++p)
        *out++ = AsciiLower(*p);
}

// Whether "<" at p opens markup rather than being text.
bool IsMarkupStart(const char *p, const char *end)
{
    if (end - p < 2)
        return false;
    const char c = p[1];
    return IsLetter(c) || c == '!' || c == '?' || (c == '/' && end - p >= 3);
}

bool IsRawTextElement(const QByteArray &name)
{
    for (std::string_view element : kRawTextElements) {
        if (name.size() == qsizetype(element.size())
            && std::memcmp(name.constData(), element.data(), element.size()) == 0)
            return true;
    }
    return false;
}

// The first "</name" at or after p followed by a space, "/" or ">"; end if none.
const char *FindEndTag(const char *p, const char *end, const QByteArray &name)
{
    const qsizetype n = name.size();
    for (p = FindByte(p, end, '<'); p < end; p = FindByte(p + 1, end, '<')) {
        if (end - p < n + 3 || p[1] != '/')
            continue;
        bool same = true;
        for (qsizetype k = 0; k < n && same; ++k)
            same = AsciiLower(p[2 + k]) == name[k];
        const char after = p[2 + n];
        if (same && (IsSpace(after) || after == '/' || after == '>'))
            return p;
    }
    return end;
}

// The characters a browser shows for references 0x80 to 0x9F, which pages
// write meaning Windows-1252; 0 where the code stays as it is.
constexpr char16_t kWindows1252[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

struct NamedReference {
    std::string_view name;
    std::string_view text;     // UTF-8
    bool withoutSemicolon;     // also recognised without its ";"
};

constexpr NamedReference kNamedReferences[] = {
    {"amp", "&", true},   {"lt", "<", true},     {"gt", ">", true},
    {"quot", "\"", true}, {"apos", "'", false},  {"nbsp", "\xC2\xA0", true},
    {"AMP", "&", true},   {"LT", "<", true},     {"GT", ">", true},
    {"QUOT", "\"", true},
};

const NamedReference *FindNamedReference(std::string_view name)
{
    for (const NamedReference &reference : kNamedReferences) {
        if (reference.name == name)
            return &reference;
    }
    return nullptr;
}

// A numeric reference at p, just after "&#". Appends its character and
// returns the position after it; returns p when no digit follows.
const char *DecodeNumericReference(const char *p, const char *end, QByteArray &out)
{
    const bool hex = p < end && (*p == 'x' || *p == 'X');
    const char *q = hex ? p + 1 : p;
    const char *digits = q;
    char32_t value = 0;
    for (; q < end && (hex ? IsHexDigit(*q) : IsDigit(*q)); ++q) {
        if (value <= 0x10FFFF)
            value = value * (hex ? 16 : 10) + char32_t(HexValue(*q));
    }
    if (q == digits)
        return p;
    if (q < end && *q == ';')
        ++q;
    if (value >= 0x80 && value <= 0x9F && kWindows1252[value - 0x80] != 0)
        value = kWindows1252[value - 0x80];
    AppendUtf8(out, value == 0 ? 0xFFFD : value);
    return q;
}

// A named reference at p, just after "&". Appends its text and returns the
// position after it; returns p when the name is no reference a browser
// would decode in an attribute value.
const char *DecodeNamedReference(const char *p, const char *end, QByteArray &out)
{
    const char *q = p;
    while (q < end && (IsLetter(*q) || IsDigit(*q)))
        ++q;
    const NamedReference *reference = FindNamedReference(std::string_view(p, size_t(q - p)));
    if (!reference)
        return p;
    if (q < end && *q == ';') {
        out += QByteArrayView(reference->text.data(), qsizetype(reference->text.size()));
        return q + 1;
    }
    // Without ";": only the old names, and not before "=" (query strings).
    if (!reference->withoutSemicolon || (q < end && *q == '='))
        return p;
    out += QByteArrayView(reference->text.data(), qsizetype(reference->text.size()));
    return q;
}

} // namespace

const QByteArray *HtmlToken::Attribute(QByteArrayView attributeName) const
{
    for (const HtmlAttribute &attribute : attributes) {
        if (attribute.name == attributeName)
            return &attribute.value;
    }
    return nullptr;
}

void AppendUtf8(QByteArray &out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = 0xFFFD;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

QByteArray DecodeAttributeValue(QByteArrayView raw)
{
    if (!raw.contains('&') && !raw.contains('\0'))
        return raw.toByteArray();
    QByteArray out;
    out.reserve(raw.size());
    const char *p = raw.data();
    const char *const end = p + raw.size();
    while (p < end) {
        const char c = *p++;
        if (c == '\0') {
            out += "\xEF\xBF\xBD";
            continue;
        }
        if (c != '&') {
            out += c;
            continue;
        }
        const char *after = p < end && *p == '#' ? DecodeNumericReference(p + 1, end, out)
                                                 : DecodeNamedReference(p, end, out);
        // Both readers give back where they started when no reference is
        // there: the "&" stays (and so does a "#" after it).
        if (after == p || after == p + 1) {
            out += '&';
            continue;
        }
        p = after;
    }
    return out;
}

HtmlTokenizer::HtmlTokenizer(QByteArrayView page)
    : p_(page.data()), end_(page.data() + page.size())
{
}

bool HtmlTokenizer::Next(HtmlToken &token)
{
    token.name.resize(0);
    token.attributes.clear();
    token.selfClosing = false;
    if (!rawTextEnd_.isEmpty()) {
        const char *start = p_;
        p_ = FindEndTag(p_, end_, rawTextEnd_);
        rawTextEnd_.clear();
        if (p_ > start) {
            token.kind = HtmlToken::Kind::Text;
            token.raw = QByteArrayView(start, p_ - start);
            return true;
        }
    }
    while (p_ < end_) {
        if (*p_ == '<' && IsMarkupStart(p_, end_)) {
            if (ReadMarkup(token))
                return true;
            continue;  // nothing to give: "</>", or a tag the page left open
        }
        const char *start = p_++;
        for (p_ = FindByte(p_, end_, '<'); p_ < end_ && !IsMarkupStart(p_, end_);
             p_ = FindByte(p_ + 1, end_, '<')) {
        }
        token.kind = HtmlToken::Kind::Text;
        token.raw = QByteArrayView(start, p_ - start);
        return true;
    }
    return false;
}

bool HtmlTokenizer::ReadMarkup(HtmlToken &token)
{
    const char c = p_[1];
    if (IsLetter(c))
        return ReadTag(token, false);
    if (c == '/') {
        if (IsLetter(p_[2]))
            return ReadTag(token, true);
        if (p_[2] == '>') {
            p_ += 3;
            return false;
        }
        ReadBogusComment(token, p_ + 2);
        return true;
    }
    if (c == '!' && end_ - p_ >= 4 && p_[2] == '-' && p_[3] == '-') {
        ReadComment(token);
        return true;
    }
    ReadBogusComment(token, p_ + (c == '?' ? 1 : 2));
    return true;
}

// A tag from "<" or "</" at p_; false (and p_ at the end) when the page ends
// inside it.
bool HtmlTokenizer::ReadTag(HtmlToken &token, bool endTag)
{
    const char *start = p_;
    const char *nameStart = p_ + (endTag ? 2 : 1);
    p_ = nameStart;
    while (p_ < end_ && !IsSpace(*p_) && *p_ != '/' && *p_ != '>')
        ++p_;
    SetName(token.name, nameStart, p_);
    if (!ReadAttributes(token))
        return false;
    token.kind = endTag ? HtmlToken::Kind::EndTag : HtmlToken::Kind::StartTag;
    token.raw = QByteArrayView(start, p_ - start);
    if (endTag) {
        token.attributes.clear();
        token.selfClosing = false;
    } else if (IsRawTextElement(token.name)) {
        rawTextEnd_ = token.name;
    }
    return true;
}

// The attributes from p_ up to and including the tag's ">": true with p_
// after the ">", false with p_ at the end when the page ends first.
bool HtmlTokenizer::ReadAttributes(HtmlToken &token)
{
    names_.clear();
    for (;;) {
        while (p_ < end_ && (IsSpace(*p_) || *p_ == '/')) {
            if (*p_ == '/' && end_ - p_ >= 2 && p_[1] == '>') {
                token.selfClosing = true;
                ++p_;
                break;
            }
            ++p_;
        }
        if (p_ == end_)
            return false;
        if (*p_ == '>') {
            ++p_;
            return true;
        }
        // The name's first character may be "=".
        const char *nameStart = p_++;
        while (p_ < end_ && !IsSpace(*p_) && *p_ != '/' && *p_ != '>' && *p_ != '=')
            ++p_;
        QByteArray name;
        SetName(name, nameStart, p_);
        while (p_ < end_ && IsSpace(*p_))
            ++p_;
        QByteArray value;
        if (p_ < end_ && *p_ == '=') {
            ++p_;
            while (p_ < end_ && IsSpace(*p_))
                ++p_;
            if (p_ == end_)
                return false;
            if (*p_ == '"' || *p_ == '\'') {
                const char *close = FindByte(p_ + 1, end_, *p_);
                if (close == end_) {
                    p_ = end_;
                    return false;
                }
                value = DecodeAttributeValue(QByteArrayView(p_ + 1, close - p_ - 1));
                p_ = close + 1;
            } else if (*p_ != '>') {
                const char *valueStart = p_;
                while (p_ < end_ && !IsSpace(*p_) && *p_ != '>')
                    ++p_;
                value = DecodeAttributeValue(QByteArrayView(valueStart, p_ - valueStart));
            }
        }
        AddAttribute(token, std::move(name), std::move(value));
    }
}

void HtmlTokenizer::AddAttribute(HtmlToken &token, QByteArray &&name, QByteArray &&value)
{
    QList<HtmlAttribute> &attributes = token.attributes;
    if (attributes.size() < kLinearAttributeLimit) {
        if (token.Attribute(name))
            return;
    } else {
        if (names_.isEmpty()) {
            for (const HtmlAttribute &attribute : attributes)
                names_.insert(attribute.name);
        }
        if (names_.contains(name))
            return;
        names_.insert(name);
    }
    attributes.append({std::move(name), std::move(value)});
}

// "<!--" at p_: the comment ends at "-->" or "--!>"; "<!-->" and "<!--->"
// are empty comments; without an end it runs to the end of the page.
void HtmlTokenizer::ReadComment(HtmlToken &token)
{
    const char *start = p_;
    const char *q = p_ + 4;
    if (q < end_ && *q == '>') {
        p_ = q + 1;
    } else if (end_ - q >= 2 && q[0] == '-' && q[1] == '>') {
        p_ = q + 2;
    } else {
        for (p_ = end_, q = FindByte(q, end_, '-'); q < end_; q = FindByte(q + 1, end_, '-')) {
            if (end_ - q >= 3 && q[1] == '-' && q[2] == '>') {
                p_ = q + 3;
                break;
            }
            if (end_ - q >= 4 && q[1] == '-' && q[2] == '!' && q[3] == '>') {
                p_ = q + 4;
                break;
            }
        }
    }
    token.kind = HtmlToken::Kind::Comment;
    token.raw = QByteArrayView(start, p_ - start);
}

void HtmlTokenizer::ReadBogusComment(HtmlToken &token, const char *from)
{
    const char *start = p_;
    p_ = FindByte(from, end_, '>');
    if (p_ < end_)
        ++p_;
    token.kind = HtmlToken::Kind::Comment;
    token.raw = QByteArrayView(start, p_ - start);
}
