#include "gui/dialogs.h"
#include "tests/support/test_environment.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <unistd.h>

namespace {

// What the dialogs of a run without a display write to standard error.
QByteArray StandardErrorOf(const std::function<void(DialogInterface &)> &show)
{
    const QString path = testenv::NewFolder("stderr") + "/stderr.txt";
    std::fflush(stderr);
    const int saved = ::dup(2);
    const int file = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(file, 2);
    ::close(file);
    const auto dialogs = MakeUnattendedDialogs();
    show(*dialogs);
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    QFile written(path);
    return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray("<missing>");
}

TEST(UnattendedDialogs, EachLanguageOfAMessageGetsItsOwnLine)
{
    EXPECT_EQ(StandardErrorOf([](DialogInterface &d) {
                  d.Error(QStringLiteral("Izberi vsaj eno datoteko!\rSelect at least one file!"));
                  d.Message(QStringLiteral("Največ 100 decimalnih mest.\rAt most 100 decimal places."));
                  d.Message(QStringLiteral("ena\r\ntwo"));
                  d.Message(QStringLiteral("Unable to find local path /x"));
              }),
              QByteArray("Izberi vsaj eno datoteko!\nSelect at least one file!\n"
                         "Največ 100 decimalnih mest.\nAt most 100 decimal places.\n"
                         "ena\ntwo\n"
                         "Unable to find local path /x\n"));
}

// Nobody is there to answer: a question is written out and answered Yes,
// so that a run closed during a batch ends instead of waiting.
TEST(UnattendedDialogs, AQuestionIsWrittenOutAndAnsweredYes)
{
    DialogInterface::Answer answer = DialogInterface::Answer::No;
    EXPECT_EQ(StandardErrorOf([&](DialogInterface &d) { answer = d.Ask(QStringLiteral("A download is running. Stop it?")); }),
              QByteArray("A download is running. Stop it?\n"));
    EXPECT_EQ(answer, DialogInterface::Answer::Yes);
}

// A server's text quoted in a message reaches the terminal with its control
// characters written out, as the log's lines do.
TEST(UnattendedDialogs, ControlCharactersOfAServersTextAreWrittenOut)
{
    const struct {
        QString shown;
        QByteArray written;
    } cases[] = {
        {QStringLiteral("Proxy said: HTTP/1.1 403 \x1b[31mNo\a"), "Proxy said: HTTP/1.1 403 \\x1b[31mNo\\x07\n"},
        {QStringLiteral("a\u009bb\tc"), "a\\u009bb\tc\n"},
        {QStringLiteral("eins\rtwo\x00"), QByteArray("eins\ntwo\\x00\n")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(StandardErrorOf([&](DialogInterface &d) { d.Message(c.shown); }), c.written);
        EXPECT_EQ(StandardErrorOf([&](DialogInterface &d) { d.Error(c.shown); }), c.written);
    }
}

}  // namespace
