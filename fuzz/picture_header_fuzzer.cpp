// A picture's size from its first bytes: any bytes, and every shorter head
// of them. A size given is above zero; a head that gives a size keeps it
// as more bytes come (the batch judges once, whenever the size is known).
#include "core/download/picture_header.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const TPictureSize whole = PictureSizeFrom(bytes);
    if (whole.kind == TPictureSize::Kind::Known && (whole.width <= 0 || whole.height <= 0))
        __builtin_trap();
    // A few shorter heads: one that knows the size must agree with the whole.
    for (qsizetype n : {bytes.size() / 2, bytes.size() - 1, qsizetype(30)}) {
        if (n < 0 || n >= bytes.size())
            continue;
        const TPictureSize head = PictureSizeFrom(bytes.first(n));
        if (head.kind == TPictureSize::Kind::Known && head != whole)
            __builtin_trap();
    }
    return 0;
}
