// Feeds arbitrary bytes, split into lines as ReadLn would deliver them, to
// the response header reader.
#include "net/response_header.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    qsizetype start = 0;
    bool first = true;
    while (start <= input.size()) {
        const qsizetype lf = input.indexOf('\n', start);
        const QByteArray line = input.mid(start, lf < 0 ? -1 : lf - start + 1);
        if (first) {
            const qint16 status = StatusNumberOf(line);
            if (status < 0)
                __builtin_trap();
            first = false;
        } else {
            const THeaderValue value = ParseHeaderLine(line);
            if (value.Length < -1 || value.Text.contains('\n'))
                __builtin_trap();
            // A length is the number the value spells (leading zeros aside).
            if (value.Length >= 0 && !value.Text.contains(QByteArray::number(value.Length)))
                __builtin_trap();
            if (EndsHeaderBlock(line))
                break;
        }
        if (lf < 0)
            break;
        start = lf + 1;
    }
    return 0;
}
