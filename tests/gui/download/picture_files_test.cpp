// The picture header read from real files that Qt writes at test time:
// each format's size is found, and every shorter head of the file asks for
// more bytes (or already knows the same size).
#include "core/download/picture_header.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <gtest/gtest.h>

namespace {

struct TFileCase {
    const char *format;
    int width, height;
    int quality;  // -1: the writer's default
    bool progressive;
};

class PictureFile : public ::testing::TestWithParam<TFileCase> {};

QByteArray Written(const TFileCase &c)
{
    QImage image(c.width, c.height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, c.format);
    writer.setQuality(c.quality);
    writer.setProgressiveScanWrite(c.progressive);
    if (!writer.write(image))
        return {};
    return bytes;
}

TEST_P(PictureFile, GivesTheSizeQtWroteAndAsksForMoreWhenCutShort)
{
    const TFileCase &c = GetParam();
    if (!QImageWriter::supportedImageFormats().contains(c.format))
        GTEST_SKIP() << "no image plugin writes " << c.format;
    const QByteArray bytes = Written(c);
    ASSERT_FALSE(bytes.isEmpty()) << c.format;
    const TPictureSize expected{TPictureSize::Kind::Known, c.width, c.height};
    EXPECT_EQ(PictureSizeFrom(bytes), expected);
    qsizetype firstKnown = -1;
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        const TPictureSize size = PictureSizeFrom(QByteArrayView(bytes).first(n));
        if (size.kind == TPictureSize::Kind::Known) {
            EXPECT_EQ(size, expected) << n;
            if (firstKnown < 0)
                firstKnown = n;
        } else {
            ASSERT_LT(firstKnown, 0) << "known at " << firstKnown << ", not at " << n;
            EXPECT_EQ(size.kind, TPictureSize::Kind::NeedMore) << n;
        }
    }
    EXPECT_LT(firstKnown, qsizetype(1024)) << "the size stands in the header";
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureFile,
                         ::testing::Values(TFileCase{"png", 120, 90, -1, false}, TFileCase{"jpg", 400, 300, 80, false},
                                           TFileCase{"jpg", 641, 17, 50, true}, TFileCase{"gif", 33, 2049, -1, false},
                                           TFileCase{"bmp", 1, 70, -1, false}, TFileCase{"webp", 320, 200, 75, false},
                                           TFileCase{"webp", 64, 48, 100, false}),
                         [](const ::testing::TestParamInfo<TFileCase> &info) {
                             return std::string(info.param.format) + std::to_string(info.index);
                         });

}  // namespace
