#include "core/scan/link_scanner.h"

#include "core/scan/address_helpers.h"
#include "core/scan/modern_scanner.h"
#include "core/scan/type_filter.h"

#include <QSet>

#include <cstring>
#include <optional>
#include <string_view>

namespace {

// The trigger in lower case; letters match in either case, other
// characters only themselves.
constexpr std::string_view kHrefTrigger = "href";

bool SameIgnoringLetterCase(char c, char lowerTrigger)
{
    if (lowerTrigger >= 'a' && lowerTrigger <= 'z')
        return c == lowerTrigger || c == char(lowerTrigger - 'a' + 'A');
    return c == lowerTrigger;
}

bool TriggerAt(const char *p, const char *end, std::string_view trigger)
{
    if (end - p < qsizetype(trigger.size()))
        return false;
    for (size_t k = 0; k < trigger.size(); ++k) {
        if (!SameIgnoringLetterCase(p[k], trigger[k]))
            return false;
    }
    return true;
}

// The first position at or after p where the trigger starts; end if none.
const char *FindTrigger(const char *p, const char *end, std::string_view trigger)
{
    for (; p < end; ++p) {
        if (SameIgnoringLetterCase(*p, trigger[0]) && TriggerAt(p, end, trigger))
            return p;
    }
    return end;
}

const char *FindByte(const char *p, const char *end, char c)
{
    const void *hit = std::memchr(p, c, size_t(end - p));
    return hit ? static_cast<const char *>(hit) : end;
}

bool IsQuoteOrSpace(char c)
{
    return c == '"' || c == '\'' || c == ' ';
}

// Takes the value that starts at p, just after the "=". Appends it when the
// page closes it and returns the position after its closing character; returns
// end when the page ends first.
const char *TakeValue(const char *p, const char *end, QList<QByteArray> &values)
{
    while (p < end && IsQuoteOrSpace(*p))
        ++p;
    const char *start = p;
    while (p < end && *p != '>' && !IsQuoteOrSpace(*p))
        ++p;
    if (p == end)
        return end;
    if (*p == '>') {
        values.append(QByteArray(start, p - start));
        return p + 1;
    }
    // A quote or a space ends the value; the character after it closes it in
    // place of a ">", whatever it is. Nothing after it: the value stays open.
    if (p + 1 == end)
        return end;
    values.append(QByteArray(start, p - start));
    return p + 2;
}

// ---- Tags ------------------------------------------------------------------

bool IsTagSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool SameName(QByteArrayView name, std::string_view lower)
{
    if (name.size() != qsizetype(lower.size()))
        return false;
    for (qsizetype k = 0; k < name.size(); ++k) {
        if (LowerAscii(name[k]) != lower[size_t(k)])
            return false;
    }
    return true;
}

// Whether a tag of this name (in lower case) starts at p, a "<".
bool TagStartsAt(const char *p, const char *end, std::string_view name)
{
    const qsizetype size = qsizetype(name.size());
    if (end - p < size + 2 || !SameName(QByteArrayView(p + 1, size), name))
        return false;
    const char after = p[1 + size];
    return IsTagSpace(after) || after == '/' || after == '>';
}

// The value of an attribute at p, just after its "=" and the spaces after
// it; p ends after it. False when the page ends inside a quoted value.
bool ReadAttributeValue(const char *&p, const char *end, QByteArrayView &value)
{
    if (*p == '"' || *p == '\'') {
        const char *close = FindByte(p + 1, end, *p);
        if (close == end)
            return false;
        value = QByteArrayView(p + 1, close - p - 1);
        p = close + 1;
        return true;
    }
    const char *start = p;
    while (p < end && !IsTagSpace(*p) && *p != '>')
        ++p;
    value = QByteArrayView(start, p - start);
    return true;
}

// Reads the attributes of a tag from p, just after its name, up to its ">",
// and gives the value of the first one named wanted (in lower case). Returns
// the position after the ">", or nullptr when the page ends first.
const char *ReadTag(const char *p, const char *end, std::string_view wanted,
                    std::optional<QByteArrayView> &value)
{
    for (;;) {
        while (p < end && (IsTagSpace(*p) || *p == '/'))
            ++p;
        if (p == end)
            return nullptr;
        if (*p == '>')
            return p + 1;
        const char *name = p++;  // a "=" here starts a name
        while (p < end && !IsTagSpace(*p) && *p != '/' && *p != '>' && *p != '=')
            ++p;
        const QByteArrayView attribute(name, p - name);
        while (p < end && IsTagSpace(*p))
            ++p;
        QByteArrayView found;
        if (p < end && *p == '=') {
            ++p;
            while (p < end && IsTagSpace(*p))
                ++p;
            if (p == end || !ReadAttributeValue(p, end, found))
                return nullptr;
        }
        if (!value && SameName(attribute, wanted))
            value = found;
    }
}

// Calls take(value) with the wanted attribute of each tag of that name that
// has it and that the page closes, in page order, while take returns true.
template <typename Take>
void ForEachTagAttribute(QByteArrayView page, std::string_view tag, std::string_view wanted, Take take)
{
    const char *p = page.data();
    const char *const end = p + page.size();
    while (p < end) {
        p = FindByte(p, end, '<');
        if (p == end || !TagStartsAt(p, end, tag)) {
            p += p < end ? 1 : 0;
            continue;
        }
        std::optional<QByteArrayView> value;
        p = ReadTag(p + 1 + qsizetype(tag.size()), end, wanted, value);
        if (!p)
            return;
        if (value && !take(*value))
            return;
    }
}

// An img's src as the scan lists it: spaces around it dropped, spaces in it
// as "%20".
QByteArray SourceValue(QByteArrayView value)
{
    while (!value.isEmpty() && value.front() == ' ')
        value = value.sliced(1);
    while (!value.isEmpty() && value.back() == ' ')
        value.chop(1);
    QByteArray out = value.toByteArray();
    if (out.contains(' '))
        out.replace(" ", "%20");
    return out;
}

// ---- Addresses ---------------------------------------------------------------

QByteArray JoinAddress(const PageLocation &page, std::initializer_list<QByteArrayView> parts)
{
    QByteArray address = page.scheme + "://";
    address += page.host;
    for (QByteArrayView part : parts)
        address += part;
    return address;
}

QByteArray ResolveUpwards(QByteArrayView raw, const PageLocation &page)
{
    QByteArrayView rest = raw.sliced(3);
    QByteArray folder = OdvzemiImenik(page.path);
    if (rest.startsWith("../")) {
        rest = rest.sliced(3);
        folder = OdvzemiImenik(folder);
    }
    if (folder.isEmpty())
        return JoinAddress(page, {"/", rest});
    return JoinAddress(page, {"/", folder, "/", rest});
}

bool IsHttpAddress(QByteArrayView raw)
{
    return !SchemePrefixOf(raw).isEmpty();
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeCharacter(char c)
{
    return IsLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Whether the value starts with an RFC 3986 scheme and its ":".
bool HasScheme(QByteArrayView raw)
{
    if (raw.isEmpty() || !IsLetter(raw.front()))
        return false;
    for (const char c : raw.sliced(1)) {
        if (c == ':')
            return true;
        if (!IsSchemeCharacter(c))
            return false;
    }
    return false;
}

template <typename Line>
void RemoveRepeatedLines(QList<Line> &lines)
{
    QSet<Line> seen;
    seen.reserve(lines.size());
    qsizetype kept = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).isEmpty())
            continue;
        const qsizetype before = seen.size();
        seen.insert(lines.at(i));
        if (seen.size() == before)
            continue;
        if (kept != i)
            lines[kept] = lines.at(i);
        ++kept;
    }
    lines.resize(kept);
}

} // namespace

QList<QByteArray> CollectLinkValues(const QByteArray &page, LinkAttribute attribute)
{
    if (attribute == LinkAttribute::ImgSrc)
        return ImgSources(page);
    const std::string_view trigger = kHrefTrigger;
    QList<QByteArray> values;
    const char *p = page.constData();
    const char *const end = p + page.size();
    while (p < end) {
        p = FindTrigger(p, end, trigger);
        if (p == end)
            break;
        // Whatever lies between the trigger and the next "=" is skipped.
        p = FindByte(p + 1, end, '=');
        if (p == end)
            break;
        p = TakeValue(p + 1, end, values);
    }
    return values;
}

QList<QByteArray> ImgSources(QByteArrayView page)
{
    QList<QByteArray> sources;
    ForEachTagAttribute(page, "img", "src", [&](QByteArrayView value) {
        sources.append(SourceValue(value));
        return true;
    });
    return sources;
}

BaseHref FirstBaseHref(QByteArrayView page)
{
    BaseHref base;
    ForEachTagAttribute(page, "base", "href", [&](QByteArrayView value) {
        base = {value.toByteArray(), true};
        return false;
    });
    return base;
}

QByteArray PageBaseAddress(QByteArrayView page, const PageLocation &location)
{
    const BaseHref base = FirstBaseHref(page);
    if (!base.found)
        return QByteArray();
    // As a browser takes an address: no white space around it, no tabs or
    // line breaks in it.
    QByteArray value = base.value.trimmed();
    value.removeIf([](char c) { return c == '\t' || c == '\n' || c == '\r'; });
    if (value.isEmpty() || value.startsWith('#'))
        return QByteArray();
    return ResolveModernLink(value, location);
}

QList<QByteArray> ObdelajHTML(const QByteArray &page)
{
    return CollectLinkValues(page, LinkAttribute::Href);
}

QList<QByteArray> ObdelajHTMLImg(const QByteArray &page)
{
    return CollectLinkValues(page, LinkAttribute::ImgSrc);
}

bool HasForeignScheme(QByteArrayView raw)
{
    return HasScheme(raw) && !IsHttpAddress(raw);
}

QByteArray ObdelajEnoPovezavo(const QByteArray &raw, const PageLocation &page)
{
    if (IsHttpAddress(raw))
        return raw;
    if (!page.base.isEmpty()) {
        if (raw.isEmpty() || HasScheme(raw))
            return QByteArray();
        return ResolveReferenceOn(page.base, raw);
    }
    if (raw.startsWith("//"))
        return page.scheme + ':' + raw;  // the page's scheme, the link's server
    if (HasScheme(raw))  // another scheme: http and https were taken above
        return QByteArray();
    if (raw.startsWith("../"))
        return ResolveUpwards(raw, page);
    if (raw.startsWith('/'))
        return JoinAddress(page, {raw});
    if (raw.startsWith("./"))
        return JoinAddress(page, {"/", page.path, QByteArrayView(raw).sliced(2)});
    if (raw.isEmpty())
        return QByteArray();
    return JoinAddress(page, {"/", page.path, raw});
}

FilteredLinks ObdelajPovezave(const QList<QByteArray> &rawValues, int typeFilterIndex,
                              const PageLocation &page, qsizetype alreadyListed)
{
    FilteredLinks result;
    for (const QByteArray &raw : rawValues) {
        if (!FileTypeAdmitsLink(typeFilterIndex, raw))
            continue;
        // Empty only for a value of another scheme: not offered.
        if (QByteArray link = ObdelajEnoPovezavo(raw, page); !link.isEmpty())
            result.links.append(std::move(link));
    }
    result.nothingFound = alreadyListed == 0 && result.links.isEmpty();
    return result;
}

QString NoFilesFoundMessage(bool english)
{
    return english ? QStringLiteral("No files found!")
                   : QStringLiteral(u"Nisem našel nobene primerne datoteke!");
}

void OdstraniDuplikatneVrstice(QList<QByteArray> &lines)
{
    RemoveRepeatedLines(lines);
}

void OdstraniDuplikatneVrstice(QStringList &lines)
{
    RemoveRepeatedLines(lines);
}

QList<QByteArray> ScanPageLinks(const QByteArray &page, LinkAttribute attribute,
                                int typeFilterIndex, const PageLocation &location)
{
    PageLocation onBase = location;
    onBase.base = PageBaseAddress(page, location);
    QList<QByteArray> links =
        ObdelajPovezave(CollectLinkValues(page, attribute), typeFilterIndex, onBase).links;
    OdstraniDuplikatneVrstice(links);
    return links;
}
