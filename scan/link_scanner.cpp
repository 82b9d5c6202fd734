#include "scan/link_scanner.h"

#include "scan/address_helpers.h"
#include "scan/type_filter.h"

#include <QSet>

#include <cstring>
#include <string_view>

namespace {

// The triggers in lower case; letters match in either case, other
// characters only themselves.
std::string_view TriggerOf(LinkAttribute attribute)
{
    return attribute == LinkAttribute::Href ? std::string_view("href")
                                            : std::string_view("g src");
}

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
    const std::string_view trigger = TriggerOf(attribute);
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
    QList<QByteArray> links =
        ObdelajPovezave(CollectLinkValues(page, attribute), typeFilterIndex, location).links;
    OdstraniDuplikatneVrstice(links);
    return links;
}
