#include "base/errors.h"
#include "gui/handler_guard.h"
#include "tests/support/scripted_dialogs.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

TEST(HandlerGuard, AnExceptionInAHandlerShowsTheErrorBoxAndTheProgramGoesOn)
{
    ScriptedDialogs &dialogs = ScriptedDialogs::Global();
    dialogs.Reset();
    QTimer timer;
    timer.setSingleShot(true);
    int ran = 0;
    QObject::connect(&timer, &QTimer::timeout, Guard([&] {
                         ++ran;
                         throw EConvertError::NotAnInteger(QStringLiteral("x"));
                     }));
    timer.start(0);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 1);
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_EQ(dialogs.errors[0], QStringLiteral("'x' is not a valid integer value"));

    // The loop is still alive: the next handler runs and its own failure shows too.
    timer.start(0);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(dialogs.errors.size(), 2);
}

TEST(HandlerGuard, ForeignExceptionsShowTheirTextToo)
{
    ScriptedDialogs &dialogs = ScriptedDialogs::Global();
    dialogs.Reset();
    Guarded([] { throw std::runtime_error("disk on fire"); });
    Guarded([] { throw 42; });
    Guarded([] { throw EListError::OutOfBounds(3); });
    EXPECT_EQ(dialogs.errors,
              QStringList({"disk on fire", "Unknown error", "List index out of bounds (3)"}));
}

TEST(HandlerGuard, ExceptionClassesKeepTheirHierarchyAndMessages)
{
    try {
        throw EAbortError(QStringLiteral("Socket send aborted"));
    } catch (const ESockError &e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Socket send aborted"));
        EXPECT_STREQ(e.what(), "Socket send aborted");
    }
    EXPECT_EQ(ERangeError().Message(), QStringLiteral("Range check error"));
}

}  // namespace
