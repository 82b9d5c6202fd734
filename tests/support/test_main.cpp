// The main routine of every test program: a private environment, an
// application object on the offscreen platform, scripted dialogs.
#include "tests/support/scripted_dialogs.h"
#include "tests/support/test_environment.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char **argv)
{
    // As in the program: a write past the file-size limit fails as an error.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    testenv::Install();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ScriptedDialogs::InstallGlobal();
    return RUN_ALL_TESTS();
}
