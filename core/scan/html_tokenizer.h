// The HTML tokenizer of the modern page scan: splits a page's bytes into
// text, comments, start tags with their attributes and end tags, the way a
// browser's tokenizer does, in one pass that never looks back.
//
// Start tags carry their attributes with lower-cased names and values
// decoded as a browser decodes them (see DecodeAttributeValue); the first of
// repeated attributes counts, later ones are dropped. After a start tag of a
// raw-text element (script, style, textarea, title, xmp, iframe, noembed,
// noframes) everything up to its end tag is one text token, so markup inside
// a script or a style makes no tags. noscript is read as markup, as a browser
// without scripts reads it: its pictures are the real ones of lazy pages.
//
// A tag the page does not close (it runs to the end of the input) is
// dropped; a comment or raw text the page does not close runs to the end.
// "<!DOCTYPE ...>", "<!x>", "<?x>" and "</ x>" are bogus comments up to the
// next ">". Script contents are not escaped further ("<!--" inside a script
// changes nothing): the first "</script" ends it.
//
// Works on bytes: tag and attribute names are lower-cased in ASCII only, any
// other byte is kept as it is; character references become UTF-8.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSet>

// The ASCII character classes of HTML's grammar, for the tokenizer and the
// scans over its values.
namespace html_chars {
inline bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}
inline bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
}  // namespace html_chars

struct HtmlAttribute {
    QByteArray name;    // lower case
    QByteArray value;   // decoded; empty for an attribute without "="
};

struct HtmlToken {
    enum class Kind { Text, Comment, StartTag, EndTag };
    Kind kind = Kind::Text;
    QByteArray name;                    // tags: the lower-cased tag name
    QList<HtmlAttribute> attributes;    // start tags, in page order
    bool selfClosing = false;           // a start tag ending in "/>"
    QByteArrayView raw;                 // the token's bytes in the page, as found

    // The value of the attribute, or null when the tag has none.
    const QByteArray *Attribute(QByteArrayView attributeName) const;
};

// Reads one page, token by token. The page must outlive the tokenizer.
// Every call of Next costs time proportional to the bytes it consumes.
class HtmlTokenizer {
public:
    explicit HtmlTokenizer(QByteArrayView page);

    // Fills token with the next token; false at the end of the page.
    bool Next(HtmlToken &token);

private:
    bool ReadMarkup(HtmlToken &token);
    bool ReadTag(HtmlToken &token, bool endTag);
    bool ReadAttributes(HtmlToken &token);
    void ReadComment(HtmlToken &token);
    void ReadBogusComment(HtmlToken &token, const char *from);
    void ReadRawText(HtmlToken &token);
    void AddAttribute(HtmlToken &token, QByteArray &&name, QByteArray &&value);

    const char *p_;
    const char *end_;
    QByteArray rawTextEnd_;   // the element whose end tag ends the raw text; empty outside
    QSet<QByteArray> names_;  // the attribute names of a tag with many attributes
};

// An attribute value as a browser reads it: "&amp;", "&lt;", "&gt;",
// "&quot;", "&apos;" and "&nbsp;" (all but apos also without their ";",
// unless "=" or a letter or digit follows), decimal "&#38;" and hex
// "&#x26;" references (an optional ";"; zero, surrogates and anything over
// U+10FFFF give U+FFFD, 0x80 to 0x9F the Windows-1252 character a browser
// shows) become UTF-8; unknown names and a "&" without a reference stay as
// they are; a zero byte becomes U+FFFD.
QByteArray DecodeAttributeValue(QByteArrayView raw);

// The code point as UTF-8 (U+FFFD for surrogates and values out of range).
void AppendUtf8(QByteArray &out, char32_t codePoint);
