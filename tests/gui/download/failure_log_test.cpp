// Failures that reach error.log: the log grows by appending one line per
// failure, every way a file's own transfer can fail fails that file alone
// (counted, logged, recorded), and a folder that takes no file ends the
// batch with every file not saved counted as failed.
#include "download_fixture.h"

#include "base/errors.h"
#include "core/download/batch_file.h"
#include "core/lists/list_file_format.h"
#include "net/resume_errors.h"

#include <QPushButton>
#include <QSpinBox>

#include <sys/resource.h>
#include <unistd.h>

namespace {

class FailureLogTest : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        SetUpForBatches();
    }
    QByteArray ErrorLog() const { return windows.ReadFile(ProgramFile("error.log")); }
    void GiveUp(const QByteArray &address) { form->ZDownloadaj(address, kMaxDownloadAttempts + 1); }
    void SaveAll(const QList<QByteArray> &paths, int slotCount)
    {
        QList<QByteArray> addresses;
        for (const QByteArray &path : paths)
            addresses << server.Url(path);
        form->List2->SetItems(addresses);
        form->List2->SelectAll();
        form->SpinEdit1->setValue(slotCount);
        form->Button4->click();
    }
    QString LastLine() const { return LogLines().isEmpty() ? QString() : LogLines().last(); }
};

TEST_F(FailureLogTest, TheFirstFailureReplacesAnOldLogAndLaterOnesAppendTheirLine)
{
    const QString path = ProgramFile("error.log");
    windows.WriteFile(path, "http://old.example/run.jpg\r\n");
    GiveUp("http://a/1.jpg");
    EXPECT_EQ(ErrorLog(), QByteArray("http://a/1.jpg\r\n"));
    // A second name for the file sees what is appended, not a replacement.
    const QString watch = QDir(folder).filePath("watch.log");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(watch).constData()), 0);
    GiveUp("http://b/2\r\n.jpg");  // a list entry stays on its line
    GiveUp("http://c/3.jpg");
    EXPECT_EQ(ErrorLog(), QByteArray("http://a/1.jpg\r\nhttp://b/2%0D%0A.jpg\r\nhttp://c/3.jpg\r\n"));
    EXPECT_EQ(windows.ReadFile(watch), ErrorLog()) << "appended to, not replaced";
    EXPECT_EQ(ListFileLines(ErrorLog()).size(), form->Memo4.size());
}

TEST_F(FailureLogTest, ALogChangedOrRemovedMeanwhileIsWrittenWholeAgain)
{
    const QString path = ProgramFile("error.log");
    GiveUp("http://a/1.jpg");
    windows.WriteFile(path, "edited\r\n");
    GiveUp("http://b/2.jpg");
    EXPECT_EQ(ErrorLog(), QByteArray("http://a/1.jpg\r\nhttp://b/2.jpg\r\n"));
    ASSERT_TRUE(QFile::remove(path));
    GiveUp("http://c/3.jpg");
    EXPECT_EQ(ErrorLog(), QByteArray("http://a/1.jpg\r\nhttp://b/2.jpg\r\nhttp://c/3.jpg\r\n"));
    form->Memo4.removeFirst();  // the entries changed without a write
    GiveUp("http://d/4.jpg");
    EXPECT_EQ(ErrorLog(), QByteArray("http://b/2.jpg\r\nhttp://c/3.jpg\r\nhttp://d/4.jpg\r\n"));
}

TEST_F(FailureLogTest, AnAppendCutShortLeavesTheLogAsItWasAndTheNextWriteIsWhole)
{
    GiveUp("http://a/1.jpg");
    const QByteArray before = ErrorLog();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = rlim_t(before.size() + 5);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(GiveUp("http://b/a-longer-address.jpg"), EFCreateError);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(ErrorLog(), before);
    GiveUp("http://c/3.jpg");
    EXPECT_EQ(ErrorLog(), QByteArray("http://a/1.jpg\r\nhttp://b/a-longer-address.jpg\r\nhttp://c/3.jpg\r\n"));
}

// What a file's transfer raised -> the reason its file fails with.
struct RaisedCase {
    const char *name;
    std::exception_ptr error;
    QString reason;
};

TEST_F(FailureLogTest, WhateverTheTransferRaisesFailsThatFileWithItsReason)
{
    const EResumeError unasked(ResumeProblem::NotAsked, -1, 0);
    const RaisedCase cases[] = {
        {"disk-full", std::make_exception_ptr(EInOutError("No space left on device")),
         "the file cannot be written: No space left on device"},
        {"io-error", std::make_exception_ptr(EInOutError("Input/output error")),
         "the file cannot be written: Input/output error"},
        {"address", std::make_exception_ptr(EConvertError::NotAnInteger("abc")), "'abc' is not a valid integer value"},
        {"redirect", std::make_exception_ptr(ESockError("Redirect to an unusable address")),
         "Redirect to an unusable address"},
        {"unasked-206", std::make_exception_ptr(unasked), ResumeProblemText(unasked, true)},
    };
    RaisingClient client;
    const ClientInPlace inPlace(form, client);
    QList<QByteArray> failed;
    for (const RaisedCase &c : cases) {
        client.Error = c.error;
        client.Body = QByteArray(c.name) + ".jpg";
        failed << "http://h/" + QByteArray(c.name) + ".jpg";
        form->ZDownloadaj(failed.last(), 1);
        EXPECT_EQ(LogLines().mid(LogLines().size() - 2),
                  (QStringList{"File " + QString::fromUtf8(client.Body) + " was not saved: " + c.reason,
                               "Failed: " + QString::fromUtf8(failed.last())}));
    }
    EXPECT_EQ(form->Memo4, failed);
    EXPECT_EQ(form->Tally.failed, int(failed.size()));
    EXPECT_TRUE(windows.Errors().isEmpty() && windows.Messages().isEmpty());
    EXPECT_TRUE(Files().isEmpty());
}

TEST_F(FailureLogTest, AFileSizeLimitFailsTheFileAndTheNextOneIsSaved)
{
    server.Route("/big.jpg", FixtureResponse::Ok(QByteArray(200000, 'x'), "image/jpeg"));
    server.Route("/small.jpg", FixtureResponse::Ok("small", "image/jpeg"));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 50000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    SaveAll({"/big.jpg", "/small.jpg"}, 1);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(Files(), QStringList{"small.jpg"});
    EXPECT_TRUE(LogLines().contains("File big.jpg was not saved: the file cannot be written: File too large"));
    EXPECT_EQ(ErrorLog(), server.Url("/big.jpg") + "\r\n");
    EXPECT_EQ(LastLine(), "Download finished. 1 saved, 1 failed.");
}

// A server's redirect to an address that cannot be used: that file fails,
// is recorded and counted, one at a time and several at once, and no
// dialog ends the batch.
TEST_F(FailureLogTest, RedirectsToUnusableAddressesFailTheirFileInBothWalks)
{
    const QList<QByteArray> locations{"javascript:alert(1)", "file:///etc/passwd", "http://127.0.0.1:abc/x.jpg",
                                      "http://[::1/x.jpg"};
    QList<QByteArray> paths;
    for (int i = 0; i < locations.size(); ++i) {
        paths << "/r/" + QByteArray::number(i) + ".jpg";
        server.Route(paths.last(), FixtureResponse::Redirect(302, locations[i]));
    }
    server.Route("/fine.jpg", FixtureResponse::Ok("fine", "image/jpeg"));
    paths << "/fine.jpg";
    for (int slotCount : {1, 3}) {
        SCOPED_TRACE(slotCount);
        form->Memo4.clear();
        QFile::remove(QDir(folder).filePath("fine.jpg"));
        SaveAll(paths, slotCount);
        EXPECT_EQ(LastLine(), "Download finished. 1 saved, 4 failed.");
        EXPECT_EQ(form->Memo4.size(), 4);
        EXPECT_FALSE(LogLines().join('\n').contains("Forbidden character detected"));
        EXPECT_TRUE(windows.Errors().isEmpty() && windows.Messages().isEmpty());
    }
}

// A folder that takes no file ends the batch before any request, with a
// message; every picked file counts as failed.
TEST_F(FailureLogTest, AFolderThatTakesNoFileEndsTheBatchBeforeAnyRequestAndCountsEveryFile)
{
    for (const char *path : {"/a.jpg", "/b.jpg", "/c.jpg"})
        server.Route(path, FixtureResponse::Ok("data", "image/jpeg"));
    for (int slotCount : {1, 2}) {
        SCOPED_TRACE(slotCount);
        ASSERT_TRUE(QDir(folder).removeRecursively());
        SaveAll({"/a.jpg", "/b.jpg", "/c.jpg"}, slotCount);
        EXPECT_EQ(LastLine(), "Download interrupted. 0 saved, 3 failed.");
        ASSERT_EQ(windows.Errors().size(), slotCount == 1 ? 1 : 2);  // one a batch
        EXPECT_TRUE(windows.Errors().last().startsWith("No file can be saved in the folder"))
            << windows.Errors().last().toStdString();
        EXPECT_TRUE(windows.Errors().last().endsWith("(No such file or directory). The download has ended."));
    }
    EXPECT_EQ(server.RequestCount(), 0);
}

}  // namespace
