// Feeds arbitrary bytes to the list-file reader. Checks that no entry holds
// a line break or a zero byte, that writing the entries back and reading
// them again gives the same entries, and that an HTML list of them scans
// back without a crash.
#include "base/text_lines.h"
#include "core/lists/list_file_format.h"
#include "core/scan/link_scanner.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> entries = ListFileLines(text);
    for (const QByteArray &entry : entries) {
        if (entry.contains('\r') || entry.contains('\n') || entry.contains('\0'))
            std::abort();
    }
    if (ListFileLines(JoinLinesCrLf(entries)) != entries)
        std::abort();
    const QList<QByteArray> html = HtmlListLines(entries);
    if (html.size() != entries.size() + 1)
        std::abort();
    ScanPageLinks(JoinLinesCrLf(html), LinkAttribute::Href, 16, PageLocation{"h", "a/"});
    return 0;
}
