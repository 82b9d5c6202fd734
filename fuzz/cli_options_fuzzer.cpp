// grabulo-cli's command line: words split at zero bytes, read in both
// languages. A read either says what is wrong or gives options within
// their ranges; the language is always decided; the help never breaks.
#include "cli/cli_options.h"
#include "core/scan/type_filter.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList words;
    for (const QByteArray &word : bytes.split('\0'))
        words << QString::fromUtf8(word);
    const auto environment = [&](const char *) { return words.value(0); };
    const bool english = CliEnglish(words, environment);
    const TCliParse parse = ParseCliArguments(words, english);
    if (!parse.error.isEmpty())
        return 0;
    const TCliOptions &o = parse.options;
    if (o.type < 0 || o.type >= kModernTypeFilterCount || (o.type >= kTypeFilterCount && !o.modern.value_or(false)))
        __builtin_trap();
    if (o.parallel && (*o.parallel < 1 || *o.parallel > 8))
        __builtin_trap();
    if ((o.timeOut && *o.timeOut < 1) || (o.lowSpeed && (*o.lowSpeed < 0 || *o.lowSpeed > 3600)))
        __builtin_trap();
    if (o.action == TCliAction::Run && o.addresses.isEmpty() && o.input.isEmpty())
        __builtin_trap();
    const TSettingsValues settings = SettingsInForce({}, o);
    if (settings.proxy && settings.proxyPort.toInt() < 1)
        __builtin_trap();
    return 0;
}
