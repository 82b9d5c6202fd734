#include "core/download/saved_archive.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <cstdio>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Names are bytes, as the download gives them, not text.
void WriteFile(const QByteArray &path, const QByteArray &bytes)
{
    FILE *file = std::fopen(path.constData(), "wb");
    ASSERT_TRUE(file) << path.constData();
    EXPECT_EQ(std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file), size_t(bytes.size()));
    std::fclose(file);
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    WriteFile(QFile::encodeName(path), bytes);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

TEST(SavedArchive, ASavedFileIsSkippedOnlyWhileItIsThereWithItsSizeInItsFolder)
{
    const QString folder = testenv::NewFolder("saved");
    const QString other = testenv::NewFolder("other");
    const QString path = folder + "/archive.db";
    const QByteArray address = "https://host.example/p/pic.jpg";
    const QByteArray name = "pi\xe8" "c.jpg";  // bytes that are no UTF-8
    const QByteArray file = QFile::encodeName(folder) + '/' + name;
    WriteFile(file, "12345");
    WriteFile(QFile::encodeName(other) + '/' + name, "12345");
    QDir(folder).mkdir("sub");

    TSavedArchive archive;
    ASSERT_TRUE(archive.Open(path)) << qPrintable(archive.LastProblem());
    EXPECT_FALSE(archive.AlreadySaved(address, folder));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    ASSERT_TRUE(archive.Record(address, folder + "/sub/..", name, 5)) << qPrintable(archive.LastProblem());

    const std::optional<TSavedEntry> entry = archive.Find(address, folder);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->folder, QDir(folder).canonicalPath());
    EXPECT_EQ(entry->name, name);
    EXPECT_EQ(entry->size, 5);
    EXPECT_EQ(entry->savedAt.timeSpec(), Qt::UTC);
    EXPECT_GE(entry->savedAt, before);
    EXPECT_LE(entry->savedAt, QDateTime::currentDateTimeUtc());

    EXPECT_TRUE(archive.AlreadySaved(address, folder));
    EXPECT_FALSE(archive.AlreadySaved(address, other));
    EXPECT_FALSE(archive.AlreadySaved(address + "?", folder));
    WriteFile(file, "123456");
    EXPECT_FALSE(archive.AlreadySaved(address, folder)) << "a changed size";
    WriteFile(file, "abcde");
    EXPECT_TRUE(archive.AlreadySaved(address, folder));

    // Kept across a reopen; a second record replaces the first.
    archive.Close();
    TSavedArchive again;
    ASSERT_TRUE(again.Open(path)) << qPrintable(again.LastProblem());
    EXPECT_TRUE(again.SetAsideName().isEmpty());
    EXPECT_TRUE(again.AlreadySaved(address, folder));
    ASSERT_EQ(::unlink(file.constData()), 0);
    EXPECT_FALSE(again.AlreadySaved(address, folder)) << "a deleted file";
    EXPECT_TRUE(again.Find(address, folder));
    WriteFile(folder + "/other.jpg", "xy");
    ASSERT_TRUE(again.Record(address, folder, "other.jpg", 2));
    EXPECT_EQ(again.Find(address, folder)->name, QByteArray("other.jpg"));
    EXPECT_TRUE(again.AlreadySaved(address, folder));
    ::unlink((QFile::encodeName(other) + '/' + name).constData());  // Qt cannot name it to remove it
}

TEST(SavedArchive, InterruptedTransfersAreRememberedReplacedAndForgotten)
{
    const QString folder = testenv::NewFolder("partial");
    TSavedArchive archive;
    ASSERT_TRUE(archive.Open(folder + "/archive.db")) << qPrintable(archive.LastProblem());
    TPartialTransfer partial{"http://host.example/big.bin", folder, ".grabulo-abc123.part",
                             "\"etag-1\"", 1000000, 4096, {}};
    ASSERT_TRUE(archive.RememberPartial(partial)) << qPrintable(archive.LastProblem());
    std::optional<TPartialTransfer> found = archive.FindPartial(partial.address, folder);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->partName, partial.partName);
    EXPECT_EQ(found->validator, partial.validator);
    EXPECT_EQ(found->totalLength, 1000000);
    EXPECT_EQ(found->bytesSoFar, 4096);
    EXPECT_TRUE(found->updatedAt.isValid());
    EXPECT_FALSE(archive.FindPartial(partial.address, testenv::NewFolder("elsewhere")));
    EXPECT_FALSE(archive.FindPartial(partial.address + "x", folder));

    partial.validator = "Wed, 21 Oct 2015 07:28:00 GMT";
    partial.totalLength = -1;
    partial.bytesSoFar = 8192;
    ASSERT_TRUE(archive.RememberPartial(partial));
    found = archive.FindPartial(partial.address, folder);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->validator, partial.validator);
    EXPECT_EQ(found->totalLength, -1);
    EXPECT_EQ(found->bytesSoFar, 8192);
    ASSERT_TRUE(archive.ForgetPartial(partial.address, folder));
    EXPECT_FALSE(archive.FindPartial(partial.address, folder));
}

// Each child records its own addresses into the shared archive once the
// parent lets both go; exit status 0 only when every record succeeded.
[[noreturn]] void RecordInChild(const QString &path, const QString &folder, int child, int count,
                                int startPipe)
{
    char go = 0;
    (void)::read(startPipe, &go, 1);  // returns when the parent closes its end
    TSavedArchive archive;
    bool ok = archive.Open(path);
    for (int i = 0; ok && i < count; ++i)
        ok = archive.Record(QByteArray("http://h.example/") + QByteArray::number(child) + "/" +
                                QByteArray::number(i),
                            folder, "f" + QByteArray::number(i), i);
    if (!ok)
        fprintf(stderr, "child %d: %s\n", child, qPrintable(archive.LastProblem()));
    archive.Close();
    ::_exit(ok ? 0 : 1);
}

TEST(SavedArchive, TwoProcessesRecordingAtOnceLoseNothing)
{
    const QString folder = testenv::NewFolder("shared");
    const QString path = folder + "/archive.db";
    constexpr int kChildren = 2, kCount = 300;
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    pid_t children[kChildren];
    for (int child = 0; child < kChildren; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            ::close(pipeEnds[1]);
            RecordInChild(path, folder, child, kCount, pipeEnds[0]);
        }
    }
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    TSavedArchive archive;
    ASSERT_TRUE(archive.Open(path)) << qPrintable(archive.LastProblem());
    int found = 0;
    for (int child = 0; child < kChildren; ++child)
        for (int i = 0; i < kCount; ++i) {
            const auto entry = archive.Find(QByteArray("http://h.example/") +
                                                QByteArray::number(child) + "/" + QByteArray::number(i),
                                            folder);
            found += entry && entry->size == i && entry->name == "f" + QByteArray::number(i);
        }
    EXPECT_EQ(found, kChildren * kCount);
    EXPECT_TRUE(archive.LastProblem().isEmpty()) << qPrintable(archive.LastProblem());
}

// A real archive of many entries, cut to half its length.
QByteArray TruncatedArchive(const QString &folder)
{
    const QString path = folder + "/whole.db";
    {
        TSavedArchive archive;
        EXPECT_TRUE(archive.Open(path));
        for (int i = 0; i < 2000; ++i)
            archive.Record("http://h.example/" + QByteArray::number(i), folder,
                           QByteArray(60, 'n') + QByteArray::number(i), i);
    }
    const QByteArray bytes = ReadFile(path);
    return bytes.left(bytes.size() / 2);
}

QByteArray ForeignDatabase(const QString &folder)
{
    const QString path = folder + "/foreign.db";
    sqlite3 *db = nullptr;
    EXPECT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "CREATE TABLE saved (x); INSERT INTO saved VALUES (1);", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    return ReadFile(path);
}

TEST(SavedArchive, ADamagedFileIsSetAsideWithAMessageAndAFreshArchiveWorks)
{
    const QString scratch = testenv::NewFolder("makings");
    QByteArray random(8192, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
    const std::pair<const char *, QByteArray> cases[] = {
        {"random bytes", random},
        {"a truncated archive", TruncatedArchive(scratch)},
        {"a text file", "address;folder;name\nhttp://h.example/a.jpg;/tmp;a.jpg\n"},
        {"another program's database", ForeignDatabase(scratch)},
    };
    for (const auto &[what, bytes] : cases) {
        SCOPED_TRACE(what);
        const QString folder = testenv::NewFolder("damaged");
        const QString path = folder + "/archive.db";
        WriteFile(path, bytes);
        TSavedArchive archive;
        ASSERT_TRUE(archive.Open(path)) << qPrintable(archive.LastProblem());
        EXPECT_FALSE(archive.LastProblem().isEmpty());
        const QString aside = archive.SetAsideName();
        EXPECT_TRUE(aside.startsWith(path + ".damaged-")) << qPrintable(aside);
        EXPECT_TRUE(ReadFile(aside) == bytes) << "set aside as it was";
        EXPECT_TRUE(archive.SetAsideMessage(true).contains(aside));
        EXPECT_TRUE(archive.SetAsideMessage(true).startsWith("The archive of saved files was damaged"));
        EXPECT_TRUE(archive.SetAsideMessage(false).startsWith(u"Arhiv shranjenih datotek je bil poškodovan"));
        EXPECT_TRUE(archive.UnusableMessage(true).isEmpty());

        WriteFile(folder + "/a.jpg", "abc");
        ASSERT_TRUE(archive.Record("http://h.example/a.jpg", folder, "a.jpg", 3));
        archive.Close();
        ASSERT_TRUE(archive.Open(path)) << qPrintable(archive.LastProblem());
        EXPECT_TRUE(archive.SetAsideName().isEmpty()) << "the fresh archive is sound";
        EXPECT_TRUE(archive.AlreadySaved("http://h.example/a.jpg", folder));
    }
}

void ExpectEveryCallIsANoOp(TSavedArchive &archive, const QString &folder)
{
    EXPECT_FALSE(archive.IsUsable());
    EXPECT_FALSE(archive.LastProblem().isEmpty());
    EXPECT_TRUE(archive.UnusableMessage(true).startsWith("The archive of saved files cannot be used ("));
    EXPECT_TRUE(archive.UnusableMessage(false).startsWith(u"Arhiva shranjenih datotek ni mogoče"));
    EXPECT_FALSE(archive.Record("http://h.example/a.jpg", folder, "a.jpg", 3));
    EXPECT_FALSE(archive.AlreadySaved("http://h.example/a.jpg", folder));
    EXPECT_FALSE(archive.Find("http://h.example/a.jpg", folder));
    EXPECT_FALSE(archive.RememberPartial({"http://h.example/a.jpg", folder, "p", "v", 9, 1, {}}));
    EXPECT_FALSE(archive.FindPartial("http://h.example/a.jpg", folder));
    EXPECT_FALSE(archive.ForgetPartial("http://h.example/a.jpg", folder));
}

TEST(SavedArchive, AnArchiveThatCannotBeMadeMakesEveryCallANoOp)
{
    const QString folder = testenv::NewFolder("unwritable");
    WriteFile(folder + "/a.jpg", "abc");
    WriteFile(folder + "/not-a-folder", "x");
    TSavedArchive archive;
    EXPECT_FALSE(archive.Open(folder + "/not-a-folder/archive.db"));
    ExpectEveryCallIsANoOp(archive, folder);
    EXPECT_EQ(ReadFile(folder + "/not-a-folder"), QByteArray("x"));

    if (::geteuid() == 0)
        return;  // the permission bits below do not hold back the superuser
    const QString locked = testenv::NewFolder("locked");
    WriteFile(locked + "/archive.db", "not a database");
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
    TSavedArchive inLocked;
    EXPECT_FALSE(inLocked.Open(locked + "/archive.db"));
    ExpectEveryCallIsANoOp(inLocked, locked);
    EXPECT_EQ(QDir(locked).entryList(QDir::Files), QStringList{"archive.db"}) << "nothing set aside";
    EXPECT_FALSE(inLocked.Open(locked + "/new.db"));
    ExpectEveryCallIsANoOp(inLocked, locked);
    ::chmod(QFile::encodeName(locked).constData(), 0755);
}

// An archive of the first layout (no content hash) opens, gains the
// column, keeps its rows (with no hash) and records hashes from then on.
TEST(SavedArchive, AnArchiveOfTheFirstLayoutGainsTheContentHash)
{
    const QString folder = testenv::NewFolder("layout1");
    const QString path = folder + "/archive.db";
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const char *layout1 =
        "CREATE TABLE saved (address BLOB NOT NULL, folder TEXT NOT NULL, name BLOB NOT NULL,"
        " size INTEGER NOT NULL, saved_at TEXT NOT NULL, PRIMARY KEY (address, folder)) WITHOUT ROWID;"
        "CREATE TABLE partial (address BLOB NOT NULL, folder TEXT NOT NULL, part_name BLOB NOT NULL,"
        " validator BLOB NOT NULL, total_length INTEGER NOT NULL, bytes_so_far INTEGER NOT NULL,"
        " updated_at TEXT NOT NULL, PRIMARY KEY (address, folder)) WITHOUT ROWID;"
        "PRAGMA application_id = 1198678370; PRAGMA user_version = 1;";
    ASSERT_EQ(sqlite3_exec(db, layout1, nullptr, nullptr, nullptr), SQLITE_OK);
    const QString canonical = QDir(folder).canonicalPath();
    const QByteArray insert = "INSERT INTO saved VALUES (x'6f6c64', '" + canonical.toUtf8()
                              + "', x'6f6c642e6a7067', 5, '2026-01-01T00:00:00.000Z')";
    ASSERT_EQ(sqlite3_exec(db, insert.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    WriteFile(folder + "/old.jpg", "12345");
    WriteFile(folder + "/new.jpg", "12345");

    TSavedArchive archive;
    ASSERT_TRUE(archive.Open(path)) << qPrintable(archive.LastProblem());
    EXPECT_TRUE(archive.SetAsideName().isEmpty()) << "migrated, not set aside";
    EXPECT_TRUE(archive.AlreadySaved("old", folder));
    const QByteArray hash(32, '\x07');
    EXPECT_FALSE(archive.SameContent(folder, hash, 5)) << "an old row has no hash";
    ASSERT_TRUE(archive.Record("new", folder, "new.jpg", 5, hash)) << qPrintable(archive.LastProblem());
    EXPECT_EQ(archive.SameContent(folder, hash, 5), std::optional<QByteArray>("new.jpg"));
    EXPECT_FALSE(archive.SameContent(folder, hash, 6)) << "another size";
    EXPECT_FALSE(archive.SameContent(testenv::NewFolder("elsewhere"), hash, 5)) << "another folder";
    QFile::remove(folder + "/new.jpg");
    EXPECT_FALSE(archive.SameContent(folder, hash, 5)) << "the file is gone";
    archive.Close();

    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    sqlite3_stmt *version = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(version), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(version, 0), 2);
    sqlite3_finalize(version);
    sqlite3_close(db);
}

}  // namespace
