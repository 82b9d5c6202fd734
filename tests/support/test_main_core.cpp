// The main routine of the test programs below the windows (base, net): a
// private environment and a core application object; no widget library.
#include "tests/support/test_environment.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    testenv::PrepareTestProgram(argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
