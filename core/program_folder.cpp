#include "core/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

void NameTheApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvove feke"));
    QCoreApplication::setApplicationName(QStringLiteral("Grabulo"));
}

QString ExecutableFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString ProgramFolder()
{
    const QString override = qEnvironmentVariable("GRABULO_HOME");
    if (!override.isEmpty()) {
        QDir().mkpath(override);  // as the default folder is made; a folder that cannot be is said when used
        return QDir::cleanPath(override);
    }
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

QStringList CommandLineWords(int argc, char *argv[])
{
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    return words;
}

QStringList WithAbsoluteFolder(QStringList arguments, const QString &startFolder)
{
    if (arguments.size() >= 2 && !arguments[1].isEmpty() && QDir::isRelativePath(arguments[1]))
        arguments[1] = QDir::cleanPath(QDir(startFolder).absoluteFilePath(arguments[1]));
    return arguments;
}
