#include "download/picture_preview.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>

#include <cmath>

QImage LoadPictureByExtension(const QByteArray &fileName)
{
    const qsizetype dot = fileName.lastIndexOf('.');
    const QByteArray extension = dot < 0 ? QByteArray() : fileName.mid(dot + 1).toLower();
    QByteArray format;
    if (extension == "gif")
        format = "gif";
    else if (extension == "jpg" || extension == "jpeg")
        format = "jpeg";
    else if (extension == "bmp" || extension == "ico")
        format = extension;
    else
        return {};
    QImageReader reader(QFile::decodeName(fileName), format);
    reader.setDecideFormatFromContent(false);
    return reader.read();
}

QSize ScaledPreviewSize(QSize natural, int scale)
{
    if (scale <= 0)
        return natural;
    return {int(std::nearbyint(double(natural.width()) / scale)),
            int(std::nearbyint(double(natural.height()) / scale))};
}

bool ShowPictureScaled(QLabel &image, const QByteArray &fileName, int scale)
{
    const QImage picture = LoadPictureByExtension(fileName);
    const bool loaded = !picture.isNull();
    if (loaded)
        image.setPixmap(QPixmap::fromImage(picture));
    const QPixmap shown = image.pixmap();
    if (!shown.isNull())
        image.setFixedSize(ScaledPreviewSize(shown.size(), scale));
    return loaded;
}
