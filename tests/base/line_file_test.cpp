#include "base/errors.h"
#include "base/line_file.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(LineFile, EveryLineEndsWithCrLfAndReplacesTheOldFileWhole)
{
    const QString path = testenv::NewFolder("lines") + "/dl.ini";
    WriteLineFile(path, {"first", "", "third"});
    EXPECT_EQ(ReadAll(path), QByteArray("first\r\n\r\nthird\r\n"));
    WriteLineFile(path, {"x"});
    EXPECT_EQ(ReadAll(path), QByteArray("x\r\n"));
    WriteLineFile(path, {});
    EXPECT_EQ(ReadAll(path), QByteArray());
    // Nothing but the file is left in the folder: no temporary copies.
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden), QStringList{"dl.ini"});
}

TEST(LineFile, AFailedWriteRaisesAndKeepsThePreviousFile)
{
    const QString folder = testenv::NewFolder("lines");
    const QString path = folder + "/error.log";
    WriteLineFile(path, {"old"});

    // A file-size limit below the new text: the write fails part way.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 8;
    setrlimit(RLIMIT_FSIZE, &small);
    QString message;
    try {
        WriteLineFile(path, {"a line longer than eight bytes", "and another"});
    } catch (const EFCreateError &e) {
        message = e.Message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_TRUE(message.startsWith("Cannot create file \"" + path + "\".")) << message.toStdString();
    EXPECT_EQ(ReadAll(path), QByteArray("old\r\n"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"error.log"});

    // A folder that does not exist cannot hold the file.
    EXPECT_THROW(WriteLineFile(folder + "/missing/list.txt", {"a"}), EFCreateError);
}

}  // namespace
