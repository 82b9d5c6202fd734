#include "gui/platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

bool SelectOffscreenWhenHeadless()
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

bool IsUnattended()
{
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("offscreen") || name == QLatin1String("minimal");
}

QList<QRect> AvailableScreenAreas()
{
    QList<QRect> areas;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr)
        return areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

namespace {
std::function<bool(const QUrl &)> &ExternalOpener()
{
    static std::function<bool(const QUrl &)> opener;
    return opener;
}
}  // namespace

bool OpenExternally(const QUrl &url)
{
    if (ExternalOpener())
        return ExternalOpener()(url);
    return QDesktopServices::openUrl(url);
}

void SetExternalOpener(std::function<bool(const QUrl &)> opener)
{
    ExternalOpener() = std::move(opener);
}

