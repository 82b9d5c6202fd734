// Draws the program's pictures into assets/. Run once after changing a
// drawing; the PNG files are kept in the repository:
//   cmake --build build --target grabulo_draw_assets && build/app/grabulo_draw_assets assets
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

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
    return ok ? 0 : 1;
}
