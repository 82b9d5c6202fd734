#include "core/scan/modern_scanner.h"

#include "core/scan/type_filter.h"
#include "base/url_reference.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

using html_chars::IsDigit;
using html_chars::IsLetter;
using html_chars::IsSpace;

bool IsSchemeCharacter(char c)
{
    return IsLetter(c) || IsDigit(c) || c == '+' || c == '-' || c == '.';
}

// ---- References --------------------------------------------------------------

// Links lose their "#..." part; a scheme is written in small letters.
constexpr TResolveRules kLinkRules{false, true};

// "mailto:x" or "http:x": a scheme, and no "//" after it.
bool HasSchemeWithoutAuthority(QByteArrayView r)
{
    if (r.isEmpty() || !IsLetter(r.front()))
        return false;
    qsizetype k = 1;
    while (k < r.size() && IsSchemeCharacter(r[k]))
        ++k;
    return k < r.size() && r[k] == ':' && !r.sliced(k + 1).startsWith("//");
}

// Spaces and control characters as %XX, as a browser sends them.
void EncodeUnsafeBytes(QByteArray &address)
{
    const auto unsafe = [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; };
    if (std::none_of(address.cbegin(), address.cend(), unsafe))
        return;
    QByteArray out;
    out.reserve(address.size() + 16);
    for (const char c : std::as_const(address)) {
        if (unsafe(c))
            out += '%' + QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    address = std::move(out);
}

// ---- Values --------------------------------------------------------------

bool IsTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

// An attribute value as an address: no spaces or control characters around
// it, no tabs or line breaks in it.
QByteArray CleanValue(QByteArrayView value)
{
    while (!value.isEmpty() && IsTrimmed(value.front()))
        value = value.sliced(1);
    while (!value.isEmpty() && IsTrimmed(value.back()))
        value.chop(1);
    QByteArray out = value.toByteArray();
    if (out.contains('\t') || out.contains('\n') || out.contains('\r')) {
        out.removeIf([](char c) { return c == '\t' || c == '\n' || c == '\r'; });
    }
    return out;
}

// Whether a clean value leads somewhere this program can go.
bool IsOffered(const QByteArray &value)
{
    return !value.isEmpty() && !value.startsWith('#') && !HasForeignScheme(value);
}

// Appends the srcset's candidates that are offered, their addresses clean.
void AppendCandidates(QList<SrcsetCandidate> &candidates, const QByteArray *srcset)
{
    if (!srcset)
        return;
    for (SrcsetCandidate &candidate : ParseSrcset(*srcset)) {
        candidate.url = CleanValue(candidate.url);
        if (IsOffered(candidate.url))
            candidates.append(std::move(candidate));
    }
}

bool IsAllDigits(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// A valid floating-point number of HTML: -?D+(.D+)?([eE][+-]?D+)?
bool IsValidFloat(QByteArrayView text)
{
    qsizetype k = 0;
    const auto digits = [&] {
        const qsizetype from = k;
        while (k < text.size() && IsDigit(text[k]))
            ++k;
        return k > from;
    };
    if (k < text.size() && text[k] == '-')
        ++k;
    if (!digits())
        return false;
    if (k < text.size() && text[k] == '.') {
        ++k;
        if (!digits())
            return false;
    }
    if (k < text.size() && (text[k] == 'e' || text[k] == 'E')) {
        ++k;
        if (k < text.size() && (text[k] == '+' || text[k] == '-'))
            ++k;
        if (!digits())
            return false;
    }
    return k == text.size();
}

// The descriptors of one candidate; false when the standard calls them an
// error and the candidate is dropped.
bool ParseDescriptors(const QList<QByteArrayView> &descriptors, SrcsetCandidate &candidate)
{
    bool width = false, density = false, height = false;
    for (const QByteArrayView descriptor : descriptors) {
        const char kind = descriptor.back();
        const QByteArrayView number = descriptor.chopped(1);
        bool ok = false;
        if (kind == 'w' && !width && !density && IsAllDigits(number)) {
            candidate.width = number.toLongLong(&ok);
            ok = ok && candidate.width > 0;
            width = true;
        } else if (kind == 'x' && !width && !density && !height && IsValidFloat(number)) {
            candidate.density = number.toDouble(&ok);
            ok = ok && candidate.density >= 0;
            density = true;
        } else if (kind == 'h' && !height && !density && IsAllDigits(number)) {
            const qint64 value = number.toLongLong(&ok);
            ok = ok && value > 0;
            height = true;
        }
        if (!ok)
            return false;
    }
    return !height || width;
}

// The descriptors after a candidate's address, up to and past the comma
// that ends them (a comma inside parentheses does not).
void ReadDescriptors(const char *&p, const char *end, QList<QByteArrayView> &descriptors)
{
    while (p < end && IsSpace(*p))
        ++p;
    const char *start = p;
    bool inParentheses = false;
    for (; p < end; ++p) {
        const char c = *p;
        if (inParentheses) {
            inParentheses = c != ')';
        } else if (IsSpace(c) || c == ',') {
            if (p > start)
                descriptors.append(QByteArrayView(start, p - start));
            start = p + 1;
            if (c == ',') {
                ++p;
                return;
            }
        } else if (c == '(') {
            inParentheses = true;
        }
    }
    if (p > start)
        descriptors.append(QByteArrayView(start, p - start));
}

// ---- CSS url() -----------------------------------------------------------

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsIdentifierCharacter(char c)
{
    return IsLetter(c) || IsDigit(c) || c == '-' || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

// A CSS escape at p, just after its backslash: appends what it stands for
// and returns the position after it.
const char *TakeCssEscape(const char *p, const char *end, QByteArray &out)
{
    if (p == end)
        return p;
    if (*p == '\n')  // a line continuation inside a string
        return p + 1;
    if (!IsHexDigit(*p)) {
        out += *p;
        return p + 1;
    }
    char32_t value = 0;
    const char *q = p;
    for (; q < end && q - p < 6 && IsHexDigit(*q); ++q)
        value = value * 16 + char32_t(IsDigit(*q) ? *q - '0' : (*q | 0x20) - 'a' + 10);
    if (q < end && IsSpace(*q))
        ++q;
    AppendUtf8(out, value == 0 ? 0xFFFD : value);
    return q;
}

// The url at p, just after "url(": quoted or not, up to its ")"; p ends
// after it.
QByteArray TakeCssUrl(const char *&p, const char *end)
{
    while (p < end && IsSpace(*p))
        ++p;
    QByteArray url;
    if (p < end && (*p == '"' || *p == '\'')) {
        const char quote = *p++;
        while (p < end && *p != quote && *p != '\n') {
            if (*p == '\\')
                p = TakeCssEscape(p + 1, end, url);
            else
                url += *p++;
        }
        while (p < end && *p != ')')
            ++p;
    } else {
        while (p < end && *p != ')') {
            if (*p == '\\')
                p = TakeCssEscape(p + 1, end, url);
            else
                url += *p++;
        }
        while (!url.isEmpty() && IsSpace(url.back()))
            url.chop(1);
    }
    if (p < end)
        ++p;
    return url;
}

// ---- The collector -----------------------------------------------------------

constexpr std::string_view kPictureMetaKeys[] = {
    "og:image", "og:image:url", "og:image:secure_url", "twitter:image", "twitter:image:src",
};

bool IsPictureMetaKey(const QByteArray *key)
{
    if (!key)
        return false;
    const QByteArray lower = key->trimmed().toLower();
    for (std::string_view wanted : kPictureMetaKeys) {
        if (lower == QByteArrayView(wanted.data(), qsizetype(wanted.size())))
            return true;
    }
    return false;
}

// Takes the tokens of one page in order; the links, the pictures or both.
class ModernCollector {
public:
    ModernCollector(bool links, bool pictures) : wantLinks_(links), wantPictures_(pictures) {}
    void Take(const HtmlToken &token);
    ModernPageValues Finish();

private:
    void TakeStartTag(const HtmlToken &tag);
    void TakePictureTag(const HtmlToken &tag);
    void TakeImage(const HtmlToken &img);
    void StartPicture();
    void FinishPicture();
    static void Add(QList<QByteArray> &list, const QByteArray *value);

    ModernPageValues values_;
    const bool wantLinks_;
    const bool wantPictures_;
    bool baseSeen_ = false;
    // The picture element open now: the slot of its address in pictures, the
    // candidates of its sources so far, whether its img came.
    bool inPicture_ = false;
    bool pictureImageSeen_ = false;
    qsizetype pictureSlot_ = -1;
    QList<SrcsetCandidate> pictureCandidates_;
};

void ModernCollector::Add(QList<QByteArray> &list, const QByteArray *value)
{
    if (!value)
        return;
    QByteArray clean = CleanValue(*value);
    if (IsOffered(clean))
        list.append(std::move(clean));
}

void ModernCollector::Take(const HtmlToken &token)
{
    if (token.kind == HtmlToken::Kind::StartTag)
        TakeStartTag(token);
    else if (token.kind == HtmlToken::Kind::EndTag && token.name == "picture")
        FinishPicture();
}

void ModernCollector::TakeStartTag(const HtmlToken &tag)
{
    const QByteArray &name = tag.name;
    if (name == "base" && !baseSeen_) {
        if (const QByteArray *href = tag.Attribute("href")) {
            baseSeen_ = true;
            const QByteArray clean = CleanValue(*href);
            if (IsOffered(clean))
                values_.base = clean;
        }
    }
    if (wantLinks_ && (name == "a" || name == "area" || name == "link"))
        Add(values_.links, tag.Attribute("href"));
    if (wantPictures_)
        TakePictureTag(tag);
}

void ModernCollector::TakePictureTag(const HtmlToken &tag)
{
    const QByteArray &name = tag.name;
    if (name == "img") {
        TakeImage(tag);
    } else if (name == "picture") {
        StartPicture();
    } else if (name == "source") {
        // Sources after the picture's img are not looked at by a browser.
        if (inPicture_ && !pictureImageSeen_) {
            AppendCandidates(pictureCandidates_, tag.Attribute("srcset"));
            AppendCandidates(pictureCandidates_, tag.Attribute("data-srcset"));
        }
    } else if (name == "meta") {
        if (IsPictureMetaKey(tag.Attribute("property")) || IsPictureMetaKey(tag.Attribute("name")))
            Add(values_.pictures, tag.Attribute("content"));
    }
    if (const QByteArray *style = tag.Attribute("style")) {
        for (const QByteArray &url : StyleUrls(*style))
            Add(values_.pictures, &url);
    }
}

// Whether an img's chosen picture is another than its plain src.
bool ChosenOverSrc(const HtmlToken &img, const QByteArray &best)
{
    const QByteArray *src = img.Attribute("src");
    return !best.isEmpty() && (!src || CleanValue(*src) != best);
}

void ModernCollector::TakeImage(const HtmlToken &img)
{
    if (inPicture_ && !pictureImageSeen_) {
        values_.pictures[pictureSlot_] = BestImageSource(img, pictureCandidates_);
        if (ChosenOverSrc(img, values_.pictures[pictureSlot_]))
            values_.lazyPictures.append(values_.pictures[pictureSlot_]);
        pictureImageSeen_ = true;
        return;
    }
    QByteArray best = BestImageSource(img);
    if (ChosenOverSrc(img, best))
        values_.lazyPictures.append(best);
    if (!best.isEmpty())
        values_.pictures.append(std::move(best));
}

void ModernCollector::StartPicture()
{
    FinishPicture();
    inPicture_ = true;
    pictureImageSeen_ = false;
    pictureCandidates_.clear();
    pictureSlot_ = values_.pictures.size();
    values_.pictures.append(QByteArray());  // filled by its img or its end
}

void ModernCollector::FinishPicture()
{
    if (!inPicture_)
        return;
    // Without an img a picture shows nothing; its largest source still is
    // what the page means.
    if (!pictureImageSeen_) {
        if (const qsizetype best = LargestCandidate(pictureCandidates_); best >= 0) {
            values_.pictures[pictureSlot_] = pictureCandidates_.at(best).url;
            values_.lazyPictures.append(values_.pictures[pictureSlot_]);
        }
    }
    inPicture_ = false;
    pictureCandidates_.clear();
}

ModernPageValues ModernCollector::Finish()
{
    FinishPicture();
    OdstraniDuplikatneVrstice(values_.links);
    OdstraniDuplikatneVrstice(values_.pictures);
    OdstraniDuplikatneVrstice(values_.lazyPictures);
    return std::move(values_);
}

} // namespace

QList<SrcsetCandidate> ParseSrcset(QByteArrayView srcset)
{
    QList<SrcsetCandidate> candidates;
    const char *p = srcset.data();
    const char *const end = p + srcset.size();
    for (;;) {
        while (p < end && (IsSpace(*p) || *p == ','))
            ++p;
        if (p == end)
            break;
        const char *urlStart = p;
        while (p < end && !IsSpace(*p))
            ++p;
        QByteArrayView url(urlStart, p - urlStart);
        QList<QByteArrayView> descriptors;
        if (url.endsWith(',')) {
            while (url.endsWith(','))
                url.chop(1);
        } else {
            ReadDescriptors(p, end, descriptors);
        }
        SrcsetCandidate candidate;
        candidate.url = url.toByteArray();
        if (ParseDescriptors(descriptors, candidate))
            candidates.append(std::move(candidate));
    }
    return candidates;
}

qsizetype LargestCandidate(const QList<SrcsetCandidate> &candidates)
{
    const bool anyWidth = std::any_of(candidates.begin(), candidates.end(),
                                      [](const SrcsetCandidate &c) { return c.width > 0; });
    const bool anyDensity = std::any_of(candidates.begin(), candidates.end(),
                                        [](const SrcsetCandidate &c) { return c.density > 0; });
    if (!anyWidth && !anyDensity)
        return candidates.size() - 1;
    qsizetype best = -1;
    double bestSize = 0;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        const SrcsetCandidate &c = candidates.at(i);
        if (anyWidth && c.width <= 0)
            continue;
        const double size = anyWidth ? double(c.width) : (c.density > 0 ? c.density : 1.0);
        if (best < 0 || size > bestSize) {
            best = i;
            bestSize = size;
        }
    }
    return best;
}

QByteArray BestImageSource(const HtmlToken &img, const QList<SrcsetCandidate> &extra)
{
    QList<SrcsetCandidate> candidates = extra;
    AppendCandidates(candidates, img.Attribute("srcset"));
    AppendCandidates(candidates, img.Attribute("data-srcset"));
    if (const qsizetype best = LargestCandidate(candidates); best >= 0)
        return candidates.at(best).url;
    for (const char *attribute : {"data-src", "data-original", "data-lazy-src", "src"}) {
        if (const QByteArray *value = img.Attribute(attribute)) {
            QByteArray clean = CleanValue(*value);
            if (IsOffered(clean))
                return clean;
        }
    }
    return QByteArray();
}

QList<QByteArray> StyleUrls(QByteArrayView style)
{
    QList<QByteArray> urls;
    const char *p = style.data();
    const char *const end = p + style.size();
    const char *const begin = p;
    for (; end - p >= 4; ++p) {
        if ((p[0] | 0x20) != 'u' || (p[1] | 0x20) != 'r' || (p[2] | 0x20) != 'l' || p[3] != '(')
            continue;
        if (p > begin && IsIdentifierCharacter(p[-1]))
            continue;  // another function whose name ends in "url"
        p += 4;
        urls.append(TakeCssUrl(p, end));
        --p;
    }
    return urls;
}

namespace {

ModernPageValues Collect(QByteArrayView page, bool links, bool pictures)
{
    ModernCollector collector(links, pictures);
    HtmlTokenizer tokenizer(page);
    HtmlToken token;
    while (tokenizer.Next(token))
        collector.Take(token);
    return collector.Finish();
}

} // namespace

ModernPageValues CollectModernValues(QByteArrayView page)
{
    return Collect(page, true, true);
}

QByteArray ResolveReferenceOn(QByteArrayView base, QByteArrayView reference)
{
    return ResolveReference(base, reference, kLinkRules);
}

namespace {
QList<QByteArray> ResolvedOnBase(QList<QByteArray> values, const QByteArray &base)
{
    if (base.isEmpty())
        return values;
    for (QByteArray &value : values)
        value = ResolveReference(base, value, kLinkRules);
    OdstraniDuplikatneVrstice(values);
    return values;
}
}  // namespace

QList<QByteArray> CollectModernLinkValues(QByteArrayView page, LinkAttribute attribute)
{
    const bool links = attribute == LinkAttribute::Href;
    ModernPageValues found = Collect(page, links, !links);
    return ResolvedOnBase(links ? std::move(found.links) : std::move(found.pictures), found.base);
}

QList<QByteArray> CollectModernLinksWithLazyPictures(QByteArrayView page)
{
    ModernPageValues found = Collect(page, true, true);
    QList<QByteArray> values = std::move(found.links) + std::move(found.lazyPictures);
    OdstraniDuplikatneVrstice(values);
    return ResolvedOnBase(std::move(values), found.base);
}

QByteArray ResolveModernLink(QByteArrayView value, const PageLocation &page)
{
    if (value.isEmpty() || HasForeignScheme(value))
        return QByteArray();
    if (HasSchemeWithoutAuthority(value))
        return QByteArray();
    QByteArray base = page.scheme;
    if (!base.isEmpty())
        base += ':';
    base += "//";
    base += page.host;
    base += '/';
    base += page.path;
    QByteArray address = ResolveReference(base, value, kLinkRules);
    EncodeUnsafeBytes(address);
    return address;
}

FilteredLinks FilterModernLinks(const QList<QByteArray> &values, int typeFilterIndex,
                                const PageLocation &page, qsizetype alreadyListed)
{
    FilteredLinks result;
    for (const QByteArray &value : values) {
        QByteArray link = ResolveModernLink(value, page);
        if (!link.isEmpty() && FileTypeAdmitsLink(typeFilterIndex, link, true))
            result.links.append(std::move(link));
    }
    result.nothingFound = alreadyListed == 0 && result.links.isEmpty();
    return result;
}

QList<QByteArray> ScanModernPageLinks(QByteArrayView page, LinkAttribute attribute,
                                      int typeFilterIndex, const PageLocation &location)
{
    QList<QByteArray> links =
        FilterModernLinks(CollectModernLinkValues(page, attribute), typeFilterIndex, location).links;
    OdstraniDuplikatneVrstice(links);
    return links;
}
