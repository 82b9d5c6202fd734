// Splits arbitrary addresses; only the documented exceptions may come out.
#include "base/errors.h"
#include "net/url_splitter.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray url(reinterpret_cast<const char *>(data), qsizetype(size));
    TUrlTarget target{"previous.host", 8080, "/"};
    try {
        SplitUrl(url, target);
    } catch (const Exception &) {
        return 0;  // "Empty URL", https, a port that is not a number or out of range
    }
    if (target.Path.isEmpty() || !target.Path.startsWith('/') || target.Host.isEmpty() || target.Port < 1
        || target.Port > 65535)
        __builtin_trap();
    return 0;
}
