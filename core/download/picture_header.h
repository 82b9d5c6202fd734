// A picture's width and height as its own header gives them, judged from
// the first bytes of a file as they arrive: JPEG (the SOFn marker, other
// segments skipped), PNG (IHDR), GIF (the logical screen), WebP (VP8, VP8L,
// VP8X), BMP (the info header and the old core header) and AVIF (the ispe
// box in meta/iprp/ipco). Any other format (SVG among them) is never judged.
#pragma once

#include <QByteArrayView>
#include <QtGlobal>

struct TPictureSize {
    enum class Kind {
        Known,     // width and height hold the size
        NeedMore,  // the bytes so far begin like a known format but end too soon
        Unknown,   // not a picture of a format known here, or a header without a size
    };
    Kind kind = Kind::Unknown;
    qint64 width = 0;
    qint64 height = 0;
    bool operator==(const TPictureSize &) const = default;
};

// The size in head, the first bytes of a file. Reads only inside head,
// with work bounded by its length, whatever the bytes say.
TPictureSize PictureSizeFrom(QByteArrayView head);

// The most first bytes worth waiting for: a header that still needs more
// past this is never judged.
inline constexpr qsizetype kPictureHeadMost = 512 * 1024;
