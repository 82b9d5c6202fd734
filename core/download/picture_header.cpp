#include "core/download/picture_header.h"

#include <string_view>

namespace {
using Kind = TPictureSize::Kind;

constexpr TPictureSize kNeedMore{Kind::NeedMore, 0, 0};
constexpr TPictureSize kUnknown{Kind::Unknown, 0, 0};

TPictureSize Sized(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return kUnknown;  // a header that names no size is not judged
    return {Kind::Known, width, height};
}

// Whether head starts with signature at offset at: yes, no, or too short to tell.
enum class Match { Yes, No, Short };

Match MatchAt(QByteArrayView head, qsizetype at, std::string_view signature)
{
    for (size_t i = 0; i < signature.size(); ++i) {
        const qsizetype k = at + qsizetype(i);
        if (k >= head.size())
            return Match::Short;
        if (head[k] != signature[i])
            return Match::No;
    }
    return Match::Yes;
}

quint32 Byte(QByteArrayView head, qsizetype at)
{
    return quint8(head[at]);
}

quint32 Le16(QByteArrayView h, qsizetype at)
{
    return Byte(h, at) | Byte(h, at + 1) << 8;
}

quint32 Le24(QByteArrayView h, qsizetype at)
{
    return Le16(h, at) | Byte(h, at + 2) << 16;
}

quint32 Le32(QByteArrayView h, qsizetype at)
{
    return Le16(h, at) | Le16(h, at + 2) << 16;
}

quint32 Be16(QByteArrayView h, qsizetype at)
{
    return Byte(h, at) << 8 | Byte(h, at + 1);
}

quint32 Be32(QByteArrayView h, qsizetype at)
{
    return Be16(h, at) << 16 | Be16(h, at + 2);
}

TPictureSize Png(QByteArrayView h)
{
    if (h.size() < 24)
        return kNeedMore;
    if (MatchAt(h, 12, "IHDR") != Match::Yes)
        return kUnknown;
    return Sized(Be32(h, 16), Be32(h, 20));
}

TPictureSize Gif(QByteArrayView h)
{
    if (h.size() < 10)
        return kNeedMore;
    return Sized(Le16(h, 6), Le16(h, 8));
}

// The info header (40 bytes and its later, longer forms) holds signed
// 32-bit sizes, a negative height for a top-down picture; the old core
// header (12 bytes) holds unsigned 16-bit ones.
TPictureSize Bmp(QByteArrayView h)
{
    if (h.size() < 18)
        return kNeedMore;
    const quint32 headerSize = Le32(h, 14);
    if (headerSize == 12)
        return h.size() < 22 ? kNeedMore : Sized(Le16(h, 18), Le16(h, 20));
    if (headerSize < 40 || headerSize > 124)
        return kUnknown;
    if (h.size() < 26)
        return kNeedMore;
    const qint64 width = qint32(Le32(h, 18));
    const qint64 height = qint32(Le32(h, 22));
    return Sized(width < 0 ? -width : width, height < 0 ? -height : height);
}

bool IsStartOfFrame(quint32 marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The segments after SOI, each skipped by its length, up to the first
// start of frame; every step moves on by at least two bytes.
TPictureSize Jpeg(QByteArrayView h)
{
    qsizetype at = 2;
    for (;;) {
        if (at >= h.size())
            return kNeedMore;
        if (Byte(h, at) != 0xFF)
            return kUnknown;
        while (at < h.size() && Byte(h, at) == 0xFF)
            ++at;  // fill bytes before a marker
        if (at >= h.size())
            return kNeedMore;
        const quint32 marker = Byte(h, at++);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;  // no length follows
        if (marker == 0xD9 || marker == 0xDA || marker == 0x00)
            return kUnknown;  // the end or the scan before any frame header
        if (at + 2 > h.size())
            return kNeedMore;
        const quint32 length = Be16(h, at);
        if (length < 2)
            return kUnknown;
        if (IsStartOfFrame(marker)) {
            if (length < 7)
                return kUnknown;
            return at + 7 > h.size() ? kNeedMore : Sized(Be16(h, at + 5), Be16(h, at + 3));
        }
        at += qsizetype(length);
    }
}

// RIFF, its size, WEBP, then the first chunk: its name, size and data.
TPictureSize WebP(QByteArrayView h)
{
    if (h.size() < 20)
        return kNeedMore;
    if (MatchAt(h, 12, "VP8 ") == Match::Yes) {
        if (h.size() < 30)
            return kNeedMore;
        if (MatchAt(h, 23, "\x9D\x01\x2A") != Match::Yes)
            return kUnknown;
        return Sized(Le16(h, 26) & 0x3FFF, Le16(h, 28) & 0x3FFF);
    }
    if (MatchAt(h, 12, "VP8L") == Match::Yes) {
        if (h.size() < 25)
            return kNeedMore;
        if (Byte(h, 20) != 0x2F)
            return kUnknown;
        const quint32 bits = Le32(h, 21);
        return Sized((bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    if (MatchAt(h, 12, "VP8X") == Match::Yes)
        return h.size() < 30 ? kNeedMore : Sized(qint64(Le24(h, 24)) + 1, qint64(Le24(h, 27)) + 1);
    return kUnknown;
}

// One box of an ISO media file: where its contents start and where it
// ends. A size of 0 runs to the end of what holds it.
struct TBox {
    std::string_view type;
    qsizetype body = 0;
    qsizetype end = 0;
};

enum class BoxRead { Ok, Short, Bad };

BoxRead ReadBox(QByteArrayView h, qsizetype at, qsizetype limit, TBox &box)
{
    if (at + 8 > h.size())
        return BoxRead::Short;
    quint64 size = Be32(h, at);
    box.type = std::string_view(h.data() + at + 4, 4);
    box.body = at + 8;
    if (size == 1) {
        if (at + 16 > h.size())
            return BoxRead::Short;
        size = quint64(Be32(h, at + 8)) << 32 | Be32(h, at + 12);
        box.body = at + 16;
    } else if (size == 0) {
        size = quint64(limit - at);
    }
    if (size < quint64(box.body - at) || size > quint64(limit - at))
        return BoxRead::Bad;
    box.end = at + qsizetype(size);
    return BoxRead::Ok;
}

// The first box of the type among the boxes from at to limit; head may
// end before limit. Each box read moves on by at least eight bytes.
BoxRead FindBox(QByteArrayView h, qsizetype at, qsizetype limit, std::string_view type, TBox &found)
{
    if (at > limit)
        return BoxRead::Bad;  // a full box too short for its version and flags
    while (at < limit) {
        const BoxRead read = ReadBox(h, at, limit, found);
        if (read != BoxRead::Ok)
            return read;
        if (found.type == type)
            return BoxRead::Ok;
        at = found.end;
    }
    return at == limit && limit <= h.size() ? BoxRead::Bad : BoxRead::Short;
}

bool IsAvifBrand(QByteArrayView brand)
{
    return brand == QByteArrayView("avif") || brand == QByteArrayView("avis");
}

// ftyp with avif (or avis) as its brand or one of its compatible brands.
Match AvifType(QByteArrayView h)
{
    TBox ftyp;
    const BoxRead read = ReadBox(h, 0, kPictureHeadMost, ftyp);
    if (read != BoxRead::Ok || ftyp.type != "ftyp")
        return read == BoxRead::Short ? Match::Short : Match::No;
    if (ftyp.end > h.size())
        return Match::Short;
    for (qsizetype at = ftyp.body; at + 4 <= ftyp.end; at += at == ftyp.body ? 8 : 4) {
        if (IsAvifBrand(h.sliced(at, 4)))
            return Match::Yes;
    }
    return Match::No;
}

// meta (a full box: four bytes of version and flags), iprp, ipco, ispe
// (version and flags, then the width and the height).
TPictureSize Avif(QByteArrayView h)
{
    const Match type = AvifType(h);
    if (type != Match::Yes)
        return type == Match::Short ? kNeedMore : kUnknown;
    // The top-level boxes run to the end of the file, whose size is not known.
    TBox box{{}, 0, qsizetype(1) << 60};
    qsizetype from = 0;
    for (std::string_view path : {"meta", "iprp", "ipco", "ispe"}) {
        const BoxRead read = FindBox(h, from, box.end, path, box);
        if (read != BoxRead::Ok)
            return read == BoxRead::Short ? kNeedMore : kUnknown;
        from = box.body + (path == "meta" ? 4 : 0);
    }
    if (box.body + 12 > box.end)
        return kUnknown;
    return box.body + 12 > h.size() ? kNeedMore : Sized(Be32(h, box.body + 4), Be32(h, box.body + 8));
}

struct TFormat {
    std::string_view signature;
    qsizetype at;
    TPictureSize (*size)(QByteArrayView);
};

const TFormat kFormats[] = {
    {"\x89PNG\r\n\x1A\n", 0, Png},
    {"GIF87a", 0, Gif},
    {"GIF89a", 0, Gif},
    {"BM", 0, Bmp},
    {"\xFF\xD8", 0, Jpeg},
    {"RIFF", 0, nullptr},  // WebP: "WEBP" at 8 as well
    {"ftyp", 4, Avif},
};
}  // namespace

TPictureSize PictureSizeFrom(QByteArrayView head)
{
    bool mayBeOne = false;
    for (const TFormat &format : kFormats) {
        const Match match = MatchAt(head, format.at, format.signature);
        if (match == Match::Short)
            mayBeOne = true;  // the bytes so far begin like the signature
        if (match != Match::Yes)
            continue;
        if (format.size)
            return format.size(head);
        const Match webp = MatchAt(head, 8, "WEBP");
        if (webp == Match::Yes)
            return WebP(head);
        if (webp == Match::Short)
            return kNeedMore;
    }
    return mayBeOne ? kNeedMore : kUnknown;
}
