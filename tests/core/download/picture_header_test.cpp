#include "core/download/picture_header.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {
using Kind = TPictureSize::Kind;

QByteArray Bytes(std::initializer_list<char> bytes)
{
    return QByteArray(bytes.begin(), qsizetype(bytes.size()));
}

QByteArray Be32(quint32 v)
{
    return Bytes({char(v >> 24), char(v >> 16), char(v >> 8), char(v)});
}

QByteArray Le16(quint32 v)
{
    return Bytes({char(v), char(v >> 8)});
}

QByteArray Le32(quint32 v)
{
    return Le16(v) + Le16(v >> 16);
}

QByteArray Box(const char *type, const QByteArray &body)
{
    return Be32(quint32(8 + body.size())) + QByteArray(type, 4) + body;
}

QByteArray Png(quint32 w, quint32 h)
{
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + Be32(13) + "IHDR" + Be32(w) + Be32(h) + QByteArray("\x08\x06\0\0\0", 5);
}

QByteArray Jpeg(quint32 w, quint32 h, char sof = '\xC2')
{
    const QByteArray app0 = QByteArray("\xFF\xE0", 2) + QByteArray("\x00\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 16);
    const QByteArray exif = QByteArray("\xFF\xE1\x01\x02", 4) + QByteArray(256, 'x');  // skipped by its length
    QByteArray frame("\xFF\x00\x00\x11\x08", 5);
    frame[1] = sof;
    frame += Bytes({char(h >> 8), char(h), char(w >> 8), char(w)}) + QByteArray(12, '\x01');
    return QByteArray("\xFF\xD8", 2) + app0 + exif + QByteArray("\xFF\xFF", 2) + frame.sliced(1);
}

QByteArray Gif(quint32 w, quint32 h)
{
    return "GIF89a" + Le16(w) + Le16(h) + QByteArray("\xF7\0\0", 3);
}

QByteArray BmpInfo(qint32 w, qint32 h)
{
    return "BM" + Le32(999) + Le32(0) + Le32(54) + Le32(40) + Le32(quint32(w)) + Le32(quint32(h)) + Le16(1) + Le16(24);
}

QByteArray BmpCore(quint32 w, quint32 h)
{
    return "BM" + Le32(999) + Le32(0) + Le32(26) + Le32(12) + Le16(w) + Le16(h) + Le16(1) + Le16(24);
}

QByteArray Riff(const char *chunk, const QByteArray &data)
{
    return "RIFF" + Le32(quint32(12 + data.size())) + "WEBP" + QByteArray(chunk, 4) + Le32(quint32(data.size())) + data;
}

QByteArray Vp8(quint32 w, quint32 h)
{
    return Riff("VP8 ", QByteArray("\x50\x2A\x00\x9D\x01\x2A", 6) + Le16(w) + Le16(h) + QByteArray(8, '\0'));
}

QByteArray Vp8L(quint32 w, quint32 h)
{
    const quint32 bits = (w - 1) | (h - 1) << 14;
    return Riff("VP8L", "\x2F" + Le32(bits) + QByteArray(4, '\0'));
}

QByteArray Vp8X(quint32 w, quint32 h)
{
    const QByteArray w1 = Le32(w - 1).first(3), h1 = Le32(h - 1).first(3);
    return Riff("VP8X", Le32(0x10) + w1 + h1);
}

QByteArray Avif(quint32 w, quint32 h, const char *brand = "avif")
{
    const QByteArray ftyp = Box("ftyp", QByteArray(brand, 4) + Be32(0) + "mif1" + "avif");
    const QByteArray ispe = Box("ispe", Be32(0) + Be32(w) + Be32(h));
    const QByteArray ipco = Box("ipco", Box("colr", "nclx0000000") + ispe);
    const QByteArray meta = Box("meta", Be32(0) + Box("hdlr", QByteArray(25, '\0')) + Box("iprp", Box("ipco", {}).first(0) + ipco));
    return ftyp + meta + Box("mdat", QByteArray(40, '\x55'));
}

struct THeaderCase {
    const char *name;
    QByteArray bytes;
    qint64 width, height;
};

class PictureHeader : public testing::TestWithParam<THeaderCase> {};

// Every format gives its size; every shorter head asks for more bytes.
TEST_P(PictureHeader, GivesTheSizeAndAsksForMoreWhenCutShort)
{
    const THeaderCase &c = GetParam();
    EXPECT_EQ(PictureSizeFrom(c.bytes), (TPictureSize{Kind::Known, c.width, c.height}));
    bool known = false;
    for (qsizetype n = 0; n <= c.bytes.size(); ++n) {
        const TPictureSize size = PictureSizeFrom(QByteArrayView(c.bytes).first(n));
        if (size.kind == Kind::Known) {
            EXPECT_EQ(size, (TPictureSize{Kind::Known, c.width, c.height})) << n;
            known = true;
        } else {
            EXPECT_FALSE(known) << "a longer head lost the size at " << n;
            EXPECT_EQ(size.kind, Kind::NeedMore) << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PictureHeader,
    testing::Values(THeaderCase{"png", Png(120, 90), 120, 90}, THeaderCase{"png_big", Png(70000, 3), 70000, 3},
                    THeaderCase{"jpeg_progressive", Jpeg(400, 300), 400, 300},
                    THeaderCase{"jpeg_baseline", Jpeg(50, 65535, '\xC0'), 50, 65535},
                    THeaderCase{"gif", Gif(640, 480), 640, 480}, THeaderCase{"bmp_info", BmpInfo(33, 44), 33, 44},
                    THeaderCase{"bmp_top_down", BmpInfo(33, -44), 33, 44},
                    THeaderCase{"bmp_core", BmpCore(12, 7), 12, 7}, THeaderCase{"webp_vp8", Vp8(1024, 768), 1024, 768},
                    THeaderCase{"webp_vp8l", Vp8L(16384, 1), 16384, 1},
                    THeaderCase{"webp_vp8x", Vp8X(16777216, 2), 16777216, 2},
                    THeaderCase{"avif", Avif(1920, 1080), 1920, 1080},
                    THeaderCase{"avif_compatible", Avif(8, 9, "mif1"), 8, 9}),
    [](const testing::TestParamInfo<THeaderCase> &info) { return std::string(info.param.name); });

struct TRefusedCase {
    const char *name;
    QByteArray bytes;
    Kind kind;
};

class PictureHeaderRefused : public testing::TestWithParam<TRefusedCase> {};

TEST_P(PictureHeaderRefused, JudgesNothing)
{
    EXPECT_EQ(PictureSizeFrom(GetParam().bytes).kind, GetParam().kind);
}

QByteArray WithByte(QByteArray bytes, qsizetype at, char value)
{
    bytes[at] = value;
    return bytes;
}

QByteArray AvifWithHugeBox()
{
    // The meta box claims more than 2^63 bytes through its 64-bit size.
    return Box("ftyp", "avif" + Be32(0)) + Be32(1) + "meta" + QByteArray("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8);
}

QByteArray AvifWithZeroSizedChild()
{
    // A child box of size 8 inside meta that never ends the walk wrongly.
    return Box("ftyp", "avif" + Be32(0)) + Box("meta", Be32(0) + Box("free", {}) + Box("iprp", Box("free", {})));
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, PictureHeaderRefused,
    testing::Values(
        TRefusedCase{"svg", "<svg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/>", Kind::Unknown},
        TRefusedCase{"html", "<!doctype html><title>x</title>", Kind::Unknown},
        TRefusedCase{"png_zero_width", Png(0, 90), Kind::Unknown},
        TRefusedCase{"png_no_ihdr", WithByte(Png(5, 5), 12, 'X'), Kind::Unknown},
        TRefusedCase{"gif_zero", Gif(0, 0), Kind::Unknown},
        TRefusedCase{"bmp_odd_header", WithByte(BmpInfo(3, 3), 14, 20), Kind::Unknown},
        TRefusedCase{"jpeg_scan_first", QByteArray("\xFF\xD8\xFF\xDA\x00\x08", 6), Kind::Unknown},
        TRefusedCase{"jpeg_length_one", QByteArray("\xFF\xD8\xFF\xE0\x00\x01", 6), Kind::Unknown},
        TRefusedCase{"jpeg_no_marker", QByteArray("\xFF\xD8\x12\x34", 4), Kind::Unknown},
        TRefusedCase{"jpeg_dnl_height", Jpeg(10, 0), Kind::Unknown},
        TRefusedCase{"jpeg_huge_segment", QByteArray("\xFF\xD8\xFF\xE1\xFF\xFF", 6) + QByteArray(100, 'a'),
                     Kind::NeedMore},
        TRefusedCase{"webp_bad_start_code", WithByte(Vp8(9, 9), 24, 0), Kind::Unknown},
        TRefusedCase{"webp_vp8l_no_signature", WithByte(Vp8L(9, 9), 20, 0), Kind::Unknown},
        TRefusedCase{"webp_other_chunk", Riff("ALPH", QByteArray(20, '\0')), Kind::Unknown},
        TRefusedCase{"riff_wave", WithByte(Vp8(9, 9), 8, 'X'), Kind::Unknown},
        TRefusedCase{"avif_huge_box", AvifWithHugeBox(), Kind::Unknown},
        TRefusedCase{"avif_no_ispe", AvifWithZeroSizedChild(), Kind::Unknown},
        TRefusedCase{"avif_meta_too_short", Box("ftyp", "avif" + Be32(0)) + Box("meta", {}) + QByteArray(64, '\0'),
                     Kind::Unknown},
        TRefusedCase{"heic", Box("ftyp", "heic" + Be32(0) + "mif1") + Box("meta", {}), Kind::Unknown},
        TRefusedCase{"avif_ispe_short", Avif(4, 4).replace(Be32(20) + "ispe", Be32(16) + "ispe"), Kind::Unknown}),
    [](const testing::TestParamInfo<TRefusedCase> &info) { return std::string(info.param.name); });

// Random bytes behind each known signature never read past the end (the
// sanitizer build watches) and never give a size of zero or below.
TEST(PictureHeaderNoise, RandomTailsAfterEachSignature)
{
    const std::vector<QByteArray> starts{Png(1, 1).first(16), Jpeg(1, 1).first(4), "GIF89a", "BM",
                                         Riff("VP8X", {}).first(16), Avif(1, 1).first(24)};
    QRandomGenerator random(27);
    int known = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = starts[size_t(round) % starts.size()];
        const int tail = int(random.bounded(64));
        for (int i = 0; i < tail; ++i)
            bytes += char(random.bounded(256));
        const TPictureSize size = PictureSizeFrom(bytes);
        if (size.kind == Kind::Known) {
            ++known;
            EXPECT_GT(size.width, 0);
            EXPECT_GT(size.height, 0);
        }
    }
    EXPECT_GT(known, 0);
}
}  // namespace
