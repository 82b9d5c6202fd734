// Writes arbitrary entries as a text list and as an HTML list and reads
// them back as the window does. The first byte is the separator that splits
// the rest into entries, so an entry can hold any other byte. Checks that
// every entry comes back, in order, as the line it was written as; that
// the text list's form of an entry asks a server for the same request line
// as the entry itself; and that the link scanner finds exactly one whole
// value per HTML list entry and nothing in the link texts.
#include "base/errors.h"
#include "base/text_lines.h"
#include "core/lists/list_file_format.h"
#include "net/http_client.h"
#include "core/scan/link_scanner.h"

#include <QCoreApplication>
#include <cstdint>
#include <optional>

namespace {

constexpr size_t kMaxInput = 64 * 1024;

void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// The request line the client builds for the address; none when it
// refuses the address.
std::optional<QByteArray> RequestLineFor(THttpClient &http, const QByteArray &address)
{
    http.URL = address;
    http.Host.clear();
    http.Port = 0;
    try {
        http.SplitURL();
        http.BuildHeader();
    } catch (const Exception &) {
        return std::nullopt;
    }
    return http.HeaderList[0];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > kMaxInput)
        return 0;
    const char separator = char(data[0]);
    const QList<QByteArray> entries =
        QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)).split(separator);

    const QList<QByteArray> lines = TextListLines(entries);
    Check(lines.size() == entries.size());
    const QList<QByteArray> back = ListFileLines(JoinLinesCrLf(lines));
    Check(back == lines);
    static THttpClient http;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        Check(back[i] == TextListEntry(entries[i]));
        if (back[i] == entries[i])
            continue;
        const auto written = RequestLineFor(http, back[i]);
        const auto original = RequestLineFor(http, entries[i]);
        if (written && original)
            Check(*written == *original);
    }

    const QList<QByteArray> html = HtmlListLines(entries);
    Check(html.size() == entries.size() + 1);
    QList<QByteArray> links;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QByteArray &line = html[i + 1];
        Check(!line.contains('\r') && !line.contains('\n') && !line.contains('\0'));
        links << HtmlListEntry(entries[i]);
    }
    const QByteArray page = JoinLinesCrLf(html);
    Check(CollectLinkValues(page, LinkAttribute::Href) == links);
    ScanPageLinks(page, LinkAttribute::Href, 16, PageLocation{"h", "a/"});
    return 0;
}
