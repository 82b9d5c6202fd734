#include "gui/platform.h"
#include "tests/support/test_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

namespace {

TEST(ProgramFolder, FollowsTheOverrideAndFallsBackToTheExecutablesFolder)
{
    EXPECT_EQ(ProgramFolder(), QDir::cleanPath(testenv::ProgramFolder()));
    EXPECT_EQ(ProgramFile("dl.ini"), QDir::cleanPath(testenv::ProgramFolder()) + "/dl.ini");

    const QByteArray saved = qgetenv("GRABULO_HOME");
    qunsetenv("GRABULO_HOME");
    // The test program's own folder is writable, so the files go beside it.
    EXPECT_EQ(ProgramFolder(), QDir::cleanPath(QCoreApplication::applicationDirPath()));
    qputenv("GRABULO_HOME", saved);
}

TEST(Platform, TheTestsRunUnattendedOnTheOffscreenPlatform)
{
    EXPECT_TRUE(IsUnattended());
}

TEST(Platform, OffscreenIsChosenOnlyWithoutADisplayAndWithoutAChoice)
{
    const QByteArray display = qgetenv("DISPLAY"), platform = qgetenv("QT_QPA_PLATFORM");
    qputenv("DISPLAY", ":99");
    qunsetenv("QT_QPA_PLATFORM");
    EXPECT_FALSE(SelectOffscreenWhenHeadless());
    qunsetenv("DISPLAY");
    qputenv("QT_QPA_PLATFORM", "xcb");
    EXPECT_FALSE(SelectOffscreenWhenHeadless());
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("WAYLAND_DISPLAY");
    EXPECT_TRUE(SelectOffscreenWhenHeadless());
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("offscreen"));
    if (display.isNull())
        qunsetenv("DISPLAY");
    else
        qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", platform);
}

}  // namespace
