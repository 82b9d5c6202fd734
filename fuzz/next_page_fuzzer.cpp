// The next page of arbitrary page bytes: any next page found is an http or
// https address on the page's own host and port, without a "#..." part,
// and the same bytes always give the same answer. The first bytes up to a
// line break choose the page's address among a few.
#include "core/scan/next_page.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QByteArray kAddresses[] = {"http://h/g/page1.html", "https://H:8443/a/b/?q=1",
                                            "http://u@h:80/", "https://h/x#frag"};
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray &address = kAddresses[size > 0 ? data[0] % 4 : 0];
    const QByteArrayView page = size > 0 ? bytes.sliced(1) : bytes;
    const QByteArray next = NextPageAddress(page, address);
    if (next.isEmpty())
        return 0;
    if (!next.startsWith("http://") && !next.startsWith("https://"))
        __builtin_trap();
    if (HostAndPortOf(next) != HostAndPortOf(address) || next.contains('#'))
        __builtin_trap();
    if (NextPageAddress(page, address) != next)
        __builtin_trap();
    return 0;
}
