#include "core/scan/type_filter.h"

#include <string_view>

QStringList FileTypeFilterCaptions()
{
    return {
        QStringLiteral("*.gif, *.jpg, *.png"),
        QStringLiteral("*.jpg"),
        QStringLiteral("*.gif"),
        QStringLiteral("*.png"),
        QStringLiteral("*.htm, *.html"),
        QStringLiteral("*.mp3, *.ogg"),
        QStringLiteral("*.mp3"),
        QStringLiteral("*.ogg"),
        QStringLiteral("*.avi"),
        QStringLiteral("*.mpg, *.mpeg"),
        QStringLiteral("*.rm, *.ram"),
        QStringLiteral("*.swf"),
        QStringLiteral("*.wmv"),
        QStringLiteral("*.asf"),
        QStringLiteral("*.mp4"),
        QStringLiteral("*.avi, *.mpg, *.mpeg, *.rm, *.ram, *.swf, *.wmv, *.asf, *.mp4"),
        QStringLiteral("*.*"),
    };
}

namespace {

// One row of the type table: upper-case endings of three characters ("" is
// unused), or any ending; the type list entries that admit them (-1 unused).
struct FileTypeRow {
    std::array<std::string_view, 2> endings;
    bool anyEnding;
    std::array<int, 2> admittedBy;
};

constexpr FileTypeRow kRows[] = {
    {{"JPG", "PEG"}, false, {0, 1}},
    {{"GIF", ""}, false, {0, 2}},
    {{"PNG", ""}, false, {0, 3}},
    {{"HTM", "TML"}, false, {4, -1}},
    {{"MP3", ""}, false, {5, 6}},
    {{"OGG", ""}, false, {5, 7}},
    {{"AVI", ""}, false, {8, 15}},
    {{"MPG", "PEG"}, false, {9, 15}},
    {{".RM", "RAM"}, false, {10, 15}},
    {{"SWF", ""}, false, {11, 15}},
    {{"WMV", ""}, false, {12, 15}},
    {{"ASF", ""}, false, {13, 15}},
    {{"MP4", ""}, false, {14, 15}},
    {{"", ""}, true, {16, -1}},
};

bool IsTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool RowTakes(const FileTypeRow &row, const LinkEnding &ending)
{
    if (row.anyEnding)
        return true;
    const std::string_view e(ending.data(), ending.size());
    return row.endings[0] == e || row.endings[1] == e;
}

bool RowAdmittedBy(const FileTypeRow &row, int typeFilterIndex)
{
    return row.admittedBy[0] == typeFilterIndex || row.admittedBy[1] == typeFilterIndex;
}

} // namespace

std::optional<LinkEnding> LinkEndingOf(QByteArrayView link)
{
    qsizetype first = 0;
    qsizetype last = link.size();
    while (first < last && IsTrimmed(link[first]))
        ++first;
    while (last > first && IsTrimmed(link[last - 1]))
        --last;
    if (last - first < 3)
        return std::nullopt;
    return LinkEnding{AsciiUpper(link[last - 3]), AsciiUpper(link[last - 2]),
                      AsciiUpper(link[last - 1])};
}

bool FileTypeAdmits(int typeFilterIndex, const LinkEnding &ending)
{
    if (typeFilterIndex < 0 || typeFilterIndex >= kTypeFilterCount)
        return false;
    for (const FileTypeRow &row : kRows) {
        if (RowAdmittedBy(row, typeFilterIndex) && RowTakes(row, ending))
            return true;
    }
    return false;
}

bool FileTypeAdmitsLink(int typeFilterIndex, QByteArrayView link)
{
    const std::optional<LinkEnding> ending = LinkEndingOf(link);
    return ending && FileTypeAdmits(typeFilterIndex, *ending);
}

namespace {

// The picture types of modern pages: the ending with its dot, in upper
// case, and the entry of its own.
struct ModernPictureType {
    std::string_view ending;
    int entry;
};

constexpr ModernPictureType kModernPictureTypes[] = {
    {".WEBP", kTypeFilterCount},
    {".AVIF", kTypeFilterCount + 1},
    {".SVG", kTypeFilterCount + 2},
};

bool EndsWithIgnoringCase(QByteArrayView text, std::string_view upperEnding)
{
    const qsizetype n = qsizetype(upperEnding.size());
    if (text.size() < n)
        return false;
    for (qsizetype k = 0; k < n; ++k) {
        if (AsciiUpper(text[text.size() - n + k]) != upperEnding[size_t(k)])
            return false;
    }
    return true;
}

QByteArrayView Trimmed(QByteArrayView link)
{
    while (!link.isEmpty() && IsTrimmed(link.front()))
        link = link.sliced(1);
    while (!link.isEmpty() && IsTrimmed(link.back()))
        link.chop(1);
    return link;
}

// The address without its query and fragment: "cover.jpg?w=1200" names
// a .jpg.
QByteArrayView WithoutQuery(QByteArrayView link)
{
    for (qsizetype i = 0; i < link.size(); ++i) {
        if (link[i] == '?' || link[i] == '#')
            return link.first(i);
    }
    return link;
}

} // namespace

QStringList ModernFileTypeFilterExtraCaptions()
{
    return {QStringLiteral("*.webp"), QStringLiteral("*.avif"), QStringLiteral("*.svg")};
}

QStringList FileTypeFilterCaptions(bool modern)
{
    QStringList captions = FileTypeFilterCaptions();
    if (modern) {
        captions[0] += QStringLiteral(", *.webp, *.avif, *.svg");
        captions += ModernFileTypeFilterExtraCaptions();
    }
    return captions;
}

bool FileTypeAdmitsLink(int typeFilterIndex, QByteArrayView link, bool modern)
{
    if (FileTypeAdmitsLink(typeFilterIndex, link))
        return true;
    if (!modern)
        return false;
    const QByteArrayView path = WithoutQuery(Trimmed(link));
    if (path.size() != Trimmed(link).size() && FileTypeAdmitsLink(typeFilterIndex, path))
        return true;
    for (const ModernPictureType &type : kModernPictureTypes) {
        if ((typeFilterIndex == 0 || typeFilterIndex == type.entry) && EndsWithIgnoringCase(path, type.ending))
            return true;
    }
    return false;
}
