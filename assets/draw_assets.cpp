// Draws the program's pictures into assets/. Run once after changing a
// drawing; the PNG files are kept in the repository:
//   cmake --build build --target grabulo_draw_assets && build/app/grabulo_draw_assets assets
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QColor kBlue(0x1f, 0x5f, 0xbf);
const QColor kOrange(0xf0, 0x8a, 0x1c);

QImage Canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// A numbered badge with an arrow pointing at the control of its step.
QImage StepPicture(int number, int height, double angleDegrees)
{
    QImage image = Canvas(81, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(30, height / 2.0);
    p.setPen(QPen(kBlue.darker(130), 2));
    p.setBrush(kOrange);
    p.drawEllipse(centre, 22, 22);
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(26);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(centre.x() - 22, centre.y() - 22, 44, 44), Qt::AlignCenter, QString::number(number));
    p.translate(centre);
    p.rotate(angleDegrees);
    QPainterPath arrow;
    arrow.moveTo(26, -5);
    arrow.lineTo(38, -5);
    arrow.lineTo(38, -12);
    arrow.lineTo(50, 0);
    arrow.lineTo(38, 12);
    arrow.lineTo(38, 5);
    arrow.lineTo(26, 5);
    arrow.closeSubpath();
    p.setPen(QPen(kBlue.darker(130), 1.5));
    p.setBrush(kBlue);
    p.drawPath(arrow);
    return image;
}

QImage PasteGlyph()
{
    QImage image = Canvas(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x6b, 0x4a, 0x1f), 1));
    p.setBrush(QColor(0xc8, 0x96, 0x50));
    p.drawRoundedRect(QRectF(2.5, 2.5, 10, 12), 1.5, 1.5);
    p.setBrush(QColor(0x9a, 0x9a, 0x9a));
    p.drawRect(QRectF(5.5, 1.5, 4, 3));
    p.setPen(QPen(Qt::gray, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7.5, 6.5, 7, 8));
    p.setPen(QPen(kBlue, 1));
    for (int y = 9; y <= 12; y += 2)
        p.drawLine(QPointF(9, y + 0.5), QPointF(13, y + 0.5));
    return image;
}

void DrawGrabber(QPainter &p, QRectF box)
{
    // A picture frame with a mountain and sun, and a downward arrow.
    p.setPen(QPen(kBlue.darker(140), 2));
    p.setBrush(QColor(0xe8, 0xf1, 0xfb));
    p.drawRoundedRect(box, 6, 6);
    QPainterPath hill;
    hill.moveTo(box.left() + 4, box.bottom() - 4);
    hill.lineTo(box.left() + box.width() * 0.38, box.top() + box.height() * 0.45);
    hill.lineTo(box.left() + box.width() * 0.6, box.top() + box.height() * 0.7);
    hill.lineTo(box.left() + box.width() * 0.75, box.top() + box.height() * 0.55);
    hill.lineTo(box.right() - 4, box.bottom() - 4);
    hill.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3c, 0x9a, 0x4a));
    p.drawPath(hill);
    p.setBrush(kOrange);
    const double r = box.height() * 0.12;
    p.drawEllipse(QPointF(box.right() - box.width() * 0.25, box.top() + box.height() * 0.28), r, r);
}

QImage ProductLogo(int w, int h, bool withName)
{
    QImage image = Canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = withName ? h - 8 : h - 4;
    DrawGrabber(p, QRectF(2, 2, side, side));
    if (withName) {
        QFont font("DejaVu Sans");
        font.setBold(true);
        font.setPixelSize(int(h * 0.3));
        p.setFont(font);
        p.setPen(kBlue);
        p.drawText(QRectF(side + 6, 0, w - side - 6, h), Qt::AlignVCenter | Qt::AlignLeft, "Grabulo");
    }
    return image;
}

QImage TextBadge(int w, int h, const QString &text, const QColor &fill)
{
    QImage image = Canvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(fill.darker(150), 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), h / 3.0, h / 3.0);
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(int(h * 0.42));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, text);
    return image;
}

// A landscape picture for the sample gallery.
QImage GalleryPicture(int w, int h, int variant)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor skies[] = {QColor(0x8e, 0xc5, 0xf0), QColor(0xf6, 0xb0, 0x7a), QColor(0x6a, 0x5a, 0xcd),
                            QColor(0xb8, 0xe0, 0xd2)};
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, skies[variant % 4].lighter(120));
    sky.setColorAt(1, skies[variant % 4]);
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xe0, 0x66));
    p.drawEllipse(QPointF(w * (0.2 + 0.15 * variant), h * 0.25), h * 0.1, h * 0.1);
    QPainterPath hills;
    hills.moveTo(0, h);
    for (int x = 0; x <= w; x += 8)
        hills.lineTo(x, h * 0.65 - std::sin((x + variant * 40) / 37.0) * h * 0.12);
    hills.lineTo(w, h);
    hills.closeSubpath();
    p.setBrush(QColor(0x3c, 0x9a - variant * 10, 0x4a));
    p.drawPath(hills);
    return image;
}

// GIF with 6x6x6 colours; the LZW stream restarts before the code width
// grows, which keeps the encoder short and every decoder happy.
QByteArray EncodeGif(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QByteArray out("GIF89a");
    auto word = [&](int v) { out.append(char(v & 0xff)).append(char(v >> 8)); };
    word(image.width());
    word(image.height());
    out.append(char(0xf7)).append('\0').append('\0');  // global table of 256 entries
    for (int i = 0; i < 256; ++i) {
        const int r = i / 36 % 6, g = i / 6 % 6, b = i % 6;
        out.append(char(i < 216 ? r * 51 : 0)).append(char(i < 216 ? g * 51 : 0)).append(char(i < 216 ? b * 51 : 0));
    }
    out.append(',');
    word(0);
    word(0);
    word(image.width());
    word(image.height());
    out.append('\0').append(char(8));
    QByteArray codes;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            codes.append(char(bits & 0xff));
            bits >>= 8;
            count -= 8;
        }
    };
    int sinceClear = 0;
    put(256);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            put(qRed(c) / 51 * 36 + qGreen(c) / 51 * 6 + qBlue(c) / 51);
            if (++sinceClear == 250) {
                put(256);
                sinceClear = 0;
            }
        }
    }
    put(257);
    if (count > 0)
        codes.append(char(bits & 0xff));
    for (qsizetype i = 0; i < codes.size(); i += 255) {
        const QByteArray block = codes.mid(i, 255);
        out.append(char(block.size())).append(block);
    }
    out.append('\0').append(';');
    return out;
}

bool SaveBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("assets");
    // Step n points at its control: address box, Load page, list, Save, Disconnect.
    const struct { int height; double angle; } steps[] = {{73, -20}, {73, 10}, {81, 0}, {73, 0}, {73, 180}};
    bool ok = true;
    for (int n = 1; n <= 5; ++n)
        ok &= StepPicture(n, steps[n - 1].height, steps[n - 1].angle).save(dir + QString("/step%1.png").arg(n));
    ok &= PasteGlyph().save(dir + "/paste.png");
    ok &= ProductLogo(150, 88, false).save(dir + "/product_logo.png");
    ok &= ProductLogo(64, 64, false).save(dir + "/product_icon.png");
    ok &= TextBadge(120, 34, "Tarvove feke", kBlue).save(dir + "/maker_logo.png");
    ok &= TextBadge(120, 40, "Donate", kOrange).save(dir + "/donate.png");
    // The sample gallery that the main job downloads.
    const QString gallery = dir + "/sample-gallery";
    ok &= GalleryPicture(320, 200, 0).save(gallery + "/meadow.jpg", "JPEG", 85);
    ok &= GalleryPicture(240, 160, 1).save(gallery + "/sunset.png");
    ok &= SaveBytes(gallery + "/dusk.gif", EncodeGif(GalleryPicture(120, 80, 2)));
    ok &= GalleryPicture(300, 300, 3).save(gallery + "/more/lake.jpg", "JPEG", 85);
    ok &= SaveBytes(gallery + "/more/hills.gif", EncodeGif(GalleryPicture(90, 60, 1)));
    return ok ? 0 : 1;
}
