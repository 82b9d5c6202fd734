#include "core/unattended_run.h"

#include <gtest/gtest.h>

namespace {

// The positional forms of the command line, as the window has read them.
TEST(CommandLineForms, EachFormReadsAsTheWindowReadsIt)
{
    struct Row {
        QStringList arguments;
        bool credentials, start, exit;
        const char *user, *password;
    };
    const Row rows[] = {
        {{"a/", "f", "start", "exit"}, false, true, true, "", ""},
        {{"a/", "f", "start"}, false, true, false, "", ""},
        {{"a/", "f", "u", "p", "start", "exit"}, true, true, true, "u", "p"},
        {{"a/", "f", "u", "p", "start"}, true, true, false, "u", "p"},
        {{"a/", "f", "u", "exit"}, true, false, true, "u", "exit"},  // "exit" is also the password
        {{"a/", "f", "u", "p", "x", "exit"}, true, false, true, "u", "p"},
        {{"a/", "f"}, true, false, false, "", ""},
        {{}, true, false, false, "", ""},
    };
    for (const Row &row : rows) {
        const TCommandLine line = TCommandLine::Of(row.arguments);
        const QString shown = row.arguments.join(u' ');
        EXPECT_EQ(line.address, row.arguments.value(0)) << shown.toStdString();
        EXPECT_EQ(line.folder, row.arguments.value(1)) << shown.toStdString();
        EXPECT_EQ(line.credentials, row.credentials) << shown.toStdString();
        EXPECT_EQ(line.start, row.start) << shown.toStdString();
        EXPECT_EQ(line.exit, row.exit) << shown.toStdString();
        EXPECT_EQ(line.user, QString::fromUtf8(row.user)) << shown.toStdString();
        EXPECT_EQ(line.password, QString::fromUtf8(row.password)) << shown.toStdString();
    }
}

}  // namespace
