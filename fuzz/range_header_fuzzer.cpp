// The headers a continued transfer reads: a Content-Range value and a
// response header block's validator. A range read must be consistent; a
// validator taken must be one an If-Range line may carry.
#include "net/range_request.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const auto range = ContentRangeOf(bytes)) {
        if (range->First < 0 || range->Last < range->First || range->Length() <= 0
            || (range->Complete != -1 && range->Last >= range->Complete))
            __builtin_trap();
    }
    const QByteArray validator = ResumeValidatorOf(bytes);
    if (!validator.isEmpty()) {
        if (!IsResumeValidator(validator) || validator.contains('\r') || validator.contains('\n'))
            __builtin_trap();
        const QByteArray line = IfRangeLine(validator);
        if (line.contains('\r') || line.contains('\n'))
            __builtin_trap();
    }
    return 0;
}
