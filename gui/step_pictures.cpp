#include "gui/step_pictures.h"

#include <QImageReader>
#include <QString>

// The pictures are compiled into a static library, whose resource
// registration the linker would drop unless something refers to it.
// (Q_INIT_RESOURCE must stand outside any namespace.)
static void EnsureAssets()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(assets);
        return true;
    }();
    (void)registered;
}

// Every asset is a PNG: naming the format spares Qt a search through its
// picture plugins, which loads them all, at start-up.
static QPixmap LoadAsset(const QString &name)
{
    EnsureAssets();
    QImageReader reader(QStringLiteral(":/assets/") + name, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QPixmap StepPicture(int n)
{
    return LoadAsset(QStringLiteral("step%1.png").arg(n));
}

QPixmap AssetPicture(const char *name)
{
    return LoadAsset(QString::fromUtf8(name));
}
