#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <memory>

namespace testenv {
namespace {
std::unique_ptr<QTemporaryDir> g_root;

void SetEnv(const char *name, const QString &value)
{
    ::setenv(name, QFile::encodeName(value).constData(), 1);
}
}  // namespace

void Install()
{
    g_root = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/grabulo-test-XXXXXX");
    const QString root = g_root->path();
    for (const char *sub : {"home", "config", "data", "program", "cache"})
        QDir(root).mkpath(sub);
    SetEnv("HOME", root + "/home");
    SetEnv("XDG_CONFIG_HOME", root + "/config");
    SetEnv("XDG_DATA_HOME", root + "/data");
    SetEnv("XDG_CACHE_HOME", root + "/cache");
    SetEnv("GRABULO_HOME", root + "/program");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        SetEnv("QT_QPA_PLATFORM", "offscreen");
}

void PrepareTestProgram(int &argc, char **argv)
{
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    Install();
    ::testing::InitGoogleTest(&argc, argv);
}

QString Root() { return g_root->path(); }
QString ProgramFolder() { return Root() + "/program"; }
QString SettingsFile() { return Root() + "/config/Tarvove feke/Grabulo.conf"; }

void ClearSettings() { QFile::remove(SettingsFile()); }

QString NewFolder(const QString &hint)
{
    const QString path = Root() + "/" + hint + "-" + QUuid::createUuid().toString(QUuid::Id128);
    QDir().mkpath(path);
    return path;
}

}  // namespace testenv
