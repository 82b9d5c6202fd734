#include "core/download/transfer_outcome.h"

#include "core/scan/type_filter.h"
#include "net/transfer_fault.h"

#include <array>
#include <string_view>

QByteArray StatusTextOf(const QByteArray &headerBlock)
{
    return StatusLineText(headerBlock);
}

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool StartsWithNoCase(QByteArrayView text, std::string_view prefix)
{
    if (text.size() < qsizetype(prefix.size()))
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[qsizetype(i)];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

}  // namespace

bool LooksLikeHtmlPage(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    while (!bytes.isEmpty() && IsBlank(bytes.front()))
        bytes = bytes.sliced(1);
    static constexpr std::array<std::string_view, 4> kStarts{"<!doctype html", "<html", "<head", "<body"};
    for (std::string_view start : kStarts) {
        if (StartsWithNoCase(bytes, start))
            return true;
    }
    return false;
}

bool LinkMayBeAPage(QByteArrayView address)
{
    qsizetype cut = address.size();
    for (char stop : {'?', '#'}) {
        const qsizetype at = address.indexOf(stop);
        if (at >= 0 && at < cut)
            cut = at;
    }
    QByteArrayView path = address.first(cut);
    const qsizetype scheme = path.indexOf("://");
    if (scheme >= 0) {
        const qsizetype slash = path.indexOf('/', scheme + 3);
        path = slash < 0 ? QByteArrayView() : path.sliced(slash);
    }
    const QByteArrayView segment = path.sliced(path.lastIndexOf('/') + 1);
    const qsizetype dot = segment.lastIndexOf('.');
    if (dot < 0 || dot + 1 == segment.size())
        return true;
    const QByteArray extension = segment.sliced(dot + 1).toByteArray().toLower();
    // The type table's page entry judges the last three characters (HTM, TML).
    constexpr int kPageEntry = 4;
    if (FileTypeAdmitsLink(kPageEntry, "." + extension))
        return true;
    return extension == "php" || extension == "asp" || extension == "aspx" || extension == "jsp";
}
