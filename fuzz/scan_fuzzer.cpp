// Feeds arbitrary bytes to the link scanner: the first byte picks the type
// filter entry, the attribute and the page's scheme, the rest is the page.
// Checks that the fast collector agrees with the plain model and that the
// scan's result holds no empty or repeated entry and only http and https
// addresses.
#include "core/scan/link_scanner.h"
#include "core/scan/type_filter.h"
#include "tests/core/scan/link_collector_model.h"

#include <QSet>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int typeFilterIndex = data[0] % (kTypeFilterCount + 1);
    const LinkAttribute attribute = data[0] & 0x80 ? LinkAttribute::ImgSrc : LinkAttribute::Href;
    const QByteArray page(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const QList<QByteArray> values = CollectLinkValues(page, attribute);
    if (size < 4096 && values != ModelCollectLinkValues(page, attribute == LinkAttribute::ImgSrc))
        std::abort();

    const PageLocation location{"h", "a/b/", data[0] & 0x40 ? "https" : "http"};
    const QList<QByteArray> links = ScanPageLinks(page, attribute, typeFilterIndex, location);
    QSet<QByteArray> seen;
    for (const QByteArray &link : links) {
        if (link.isEmpty() || seen.contains(link))
            std::abort();
        const QByteArray start = link.left(8).toLower();
        if (!start.startsWith("http://") && !start.startsWith("https://"))
            std::abort();
        seen.insert(link);
    }
    return 0;
}
