// The main routine of every window-side test program: a private
// environment, an application object on the offscreen platform, scripted
// dialogs.
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_environment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    testenv::PrepareTestProgram(argc, argv);
    QApplication app(argc, argv);
    ScriptedDialogs::InstallGlobal();
    return RUN_ALL_TESTS();
}
