#include "app/step_pictures.h"

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

QPixmap StepPicture(int n)
{
    EnsureAssets();
    return QPixmap(QStringLiteral(":/assets/step%1.png").arg(n));
}

QPixmap AssetPicture(const char *name)
{
    EnsureAssets();
    return QPixmap(QStringLiteral(":/assets/") + QString::fromUtf8(name));
}
