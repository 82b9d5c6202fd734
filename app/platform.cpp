#include "app/platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
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

QString ExecutableFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString ProgramFolder()
{
    const QString override = qEnvironmentVariable("GRABULO_HOME");
    if (!override.isEmpty())
        return QDir::cleanPath(override);
    const QString exeDir = ExecutableFolder();
    if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable())
        return QDir::cleanPath(exeDir);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return QDir::cleanPath(data);
}

QString ProgramFile(const QString &name)
{
    return ProgramFolder() + u'/' + name;
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

QStringList WithAbsoluteFolder(QStringList arguments, const QString &startFolder)
{
    if (arguments.size() >= 2 && !arguments[1].isEmpty() && QDir::isRelativePath(arguments[1]))
        arguments[1] = QDir::cleanPath(QDir(startFolder).absoluteFilePath(arguments[1]));
    return arguments;
}
