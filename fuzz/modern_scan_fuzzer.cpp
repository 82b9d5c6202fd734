// Feeds arbitrary bytes to the modern page scan: the first byte picks the
// type filter entry, the attribute and the page's scheme, the rest is the
// page. Checks that the tokenizer's tokens follow one another through the
// page without gaps, overlaps or steps back, that attribute names are in
// lower case and not repeated within a tag, and that the scan's result holds
// no empty or repeated entry and only http and https addresses.
#include "core/scan/html_tokenizer.h"
#include "core/scan/modern_scanner.h"
#include "core/scan/type_filter.h"

#include <QSet>

#include <cstdint>
#include <cstdlib>

namespace {

void CheckTokens(const QByteArray &page)
{
    HtmlTokenizer tokenizer(page);
    HtmlToken token;
    const char *next = page.constData();
    while (tokenizer.Next(token)) {
        // A dropped "</>" is the only gap between tokens.
        if (token.raw.data() < next || token.raw.isEmpty())
            std::abort();
        if (token.raw.data() != next && QByteArrayView(next, token.raw.data() - next).indexOf("</>") < 0)
            std::abort();
        next = token.raw.data() + token.raw.size();
        if (next > page.constData() + page.size())
            std::abort();
        QSet<QByteArray> names;
        for (const HtmlAttribute &attribute : token.attributes) {
            if (names.contains(attribute.name) || attribute.name.isEmpty()
                || attribute.name != attribute.name.toLower())
                std::abort();
            names.insert(attribute.name);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int typeFilterIndex = data[0] % (kModernTypeFilterCount + 1);
    const LinkAttribute attribute = data[0] & 0x80 ? LinkAttribute::ImgSrc : LinkAttribute::Href;
    const QByteArray page(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    CheckTokens(page);
    const PageLocation location{"h", "a/b/", data[0] & 0x40 ? "https" : "http"};
    const QList<QByteArray> links = ScanModernPageLinks(page, attribute, typeFilterIndex, location);
    QSet<QByteArray> seen;
    for (const QByteArray &link : links) {
        if (link.isEmpty() || seen.contains(link))
            std::abort();
        if (!link.startsWith("http://") && !link.startsWith("https://"))
            std::abort();
        seen.insert(link);
    }
    return 0;
}
