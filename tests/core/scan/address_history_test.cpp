// The address history file "dl.ini" without a window: read, add, write.
#include "core/scan/address_history.h"
#include "base/errors.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray FileBytes(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(AddressHistory, EntriesKeepAnHttpsSchemeOnlyAndGoFirstOnce)
{
    const struct {
        const char *prefix;
        const char *typed;
        QStringList expected;
    } cases[] = {
        {"http://", "a.si/", {"a.si/", "old", "older"}},
        {"https://", "b.si/x", {"https://b.si/x", "old", "older"}},
        {"http://", "older", {"older", "old"}},
        {"https://", "older", {"https://older", "old", "older"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(AddHistoryEntry({"old", "older"}, c.prefix, QString::fromUtf8(c.typed)), c.expected) << c.typed;
}

TEST(AddressHistory, IsReadWithAnyLineEndAndWrittenWithCrLf)
{
    const QString file = testenv::NewFolder("history") + "/dl.ini";
    EXPECT_TRUE(ReadAddressHistory(file).isEmpty());
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("a.si/\r\nb.si/x\nc.si/\xc4\x8d\r");
    }
    const QStringList read = ReadAddressHistory(file);
    EXPECT_EQ(read, (QStringList{"a.si/", "b.si/x", QString::fromUtf8("c.si/č")}));
    WriteAddressHistory(file, read);
    EXPECT_EQ(FileBytes(file), "a.si/\r\nb.si/x\r\nc.si/\xc4\x8d\r\n");
}

TEST(AddressHistory, ARunWithoutAWindowRecordsInTheProgramsFileNewestFirst)
{
    QFile::remove(AddressHistoryFile());
    RecordAddressInHistory("http://", "a.si/");
    RecordAddressInHistory("https://", "b.si/");
    EXPECT_EQ(FileBytes(AddressHistoryFile()), "https://b.si/\r\na.si/\r\n");
    ASSERT_TRUE(QFile::remove(AddressHistoryFile()));
    ASSERT_TRUE(QDir().mkpath(AddressHistoryFile()));  // a folder in its place
    EXPECT_THROW(RecordAddressInHistory("http://", "c.si/"), EFCreateError);
    QDir(AddressHistoryFile()).removeRecursively();
}

}  // namespace
