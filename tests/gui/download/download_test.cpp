#include "download_fixture.h"

#include "base/errors.h"
#include "core/download/batch_file.h"
#include "tests/support/test_helpers.h"

#include <QCheckBox>
#include <QLineEdit>

#include <sys/resource.h>
#include <unistd.h>

namespace {

TEST_F(DownloadTest, ATakenNameGetsTheNextFreeNumber)
{
    server.Route("/pic.jpg", FixtureResponse::Ok("JPEG", "image/jpeg"));
    for (int i = 0; i < 3; ++i)
        Download("/pic.jpg", "pic.jpg");
    EXPECT_EQ(Files(), (QStringList{"pic.jpg", "pic0001.jpg", "pic0002.jpg"}));
    EXPECT_EQ(Saved("pic0002.jpg"), QByteArray("JPEG"));
    EXPECT_TRUE(LogLines().contains("A file with this name already exists: pic.jpg"));
    EXPECT_TRUE(LogLines().contains("File name changed to: pic0002.jpg"));
    EXPECT_EQ(form->HTTP2->Body, QByteArray("pic0002.jpg"));
    EXPECT_EQ(RunPictureCount, 3);
}

TEST_F(DownloadTest, AForbiddenAndTakenNameIsCleanedThenNumbered)
{
    server.Route("/img.php", FixtureResponse::Ok("x"));
    Download("/img.php", "img.php_id=3");
    Download("/img.php", "img.php?id=3");
    EXPECT_EQ(Files(), (QStringList{"img.php_id=3", "img0001.php_id=3"}));
    const QStringList log = LogLines();
    EXPECT_TRUE(log.contains("Forbidden character in file name: img.php?id=3"));
    EXPECT_TRUE(log.contains("Forbidden file name changed to: img.php_id=3"));
}

TEST_F(DownloadTest, NamesThatNameTheFolderItselfFailWithoutWritingOutside)
{
    server.Route("/x", FixtureResponse::Ok("payload"));
    const QStringList parentBefore = QDir(folder + "/..").entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    for (const QByteArray &name : {QByteArray(""), QByteArray("."), QByteArray("..")})
        Download("/x", name);
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(QDir(folder + "/..").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), parentBefore);
    EXPECT_TRUE(LogLines().contains("Forbidden character detected in filename: I can't save file !"));
    EXPECT_TRUE(LogLines().contains("Forbidden character detected in filename: I can't save file ..!"));
    EXPECT_EQ(RunPictureCount, 0);
}

TEST_F(DownloadTest, ALinkInTheFolderIsNeverWrittenThrough)
{
    const QString outside = testenv::NewFolder("outside") + "/victim.jpg";
    QFile victim(outside);
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.write("keep me");
    victim.close();
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(), "pic.jpg"), 0);
    ASSERT_EQ(::symlink("/nonexistent/dir/new.jpg", "new.jpg"), 0);
    server.Route("/pic.jpg", FixtureResponse::Ok("NEW"));
    Download("/pic.jpg", "pic.jpg");
    Download("/pic.jpg", "new.jpg");
    EXPECT_EQ(Saved("pic0001.jpg"), QByteArray("NEW"));
    EXPECT_EQ(Saved("new0001.jpg"), QByteArray("NEW"));
    ASSERT_TRUE(victim.open(QIODevice::ReadOnly));
    EXPECT_EQ(victim.readAll(), QByteArray("keep me"));
}

TEST_F(DownloadTest, AnEmptyFileIsReportedAndDeletedButCounted)
{
    server.Route("/empty.jpg", FixtureResponse::Ok(""));
    Download("/empty.jpg", "empty.jpg");
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(RunPictureCount, 1);
    const QStringList log = LogLines();
    EXPECT_TRUE(log.contains("File empty.jpg is empty."));
    EXPECT_TRUE(log.contains("File empty.jpg was deleted because it was empty."));
}

TEST_F(DownloadTest, TheSizeFilterDeletesFilesBelowTheLimitOnly)
{
    server.Route("/999.jpg", FixtureResponse::Ok(QByteArray(999, 'x')));
    server.Route("/1000.jpg", FixtureResponse::Ok(QByteArray(1000, 'x')));
    form->CheckBox4->setChecked(true);
    form->Edit12->setText("1000");
    Download("/999.jpg", "999.jpg");
    Download("/1000.jpg", "1000.jpg");
    EXPECT_EQ(Files(), QStringList{"1000.jpg"});
    EXPECT_TRUE(LogLines().contains("File 999.jpg is smaller than 1000 bytes."));
    EXPECT_TRUE(LogLines().contains("File 999.jpg was deleted."));
}

TEST_F(DownloadTest, ASizeLimitThatIsNotANumberKeepsTheFileAndSaysSo)
{
    server.Route("/a.jpg", FixtureResponse::Ok("abc"));
    form->CheckBox4->setChecked(true);
    form->Edit12->setText("lots");  // the field itself asks for a number at once
    windows.Dialogs().Reset();
    Download("/a.jpg", "a.jpg");
    EXPECT_EQ(Files(), QStringList{"a.jpg"});
    EXPECT_EQ(windows.Messages(),
              QStringList{"Forbidden character detected in filename: I can't save file!"});
}

TEST_F(DownloadTest, AnErrorPageIsNeitherSavedNorCounted)
{
    Download("/not-found", "pic.jpg");
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(form->Memo4, QList<QByteArray>{server.Url("/not-found")});
    EXPECT_EQ(RunPictureCount, 0);
}

TEST_F(DownloadTest, FiveConnectionTimeOutsEndInFailedAndTheErrorLog)
{
    UnacceptingListener listener;
    form->HTTP2->TimeOut = 100;
    const QByteArray address = "http://127.0.0.1:" + QByteArray::number(listener.Port()) + "/pic.jpg";
    form->HTTP2->Body = "pic.jpg";
    form->ZDownloadaj(address, 1);
    QStringList expected;
    for (int i = 1; i <= 5; ++i)
        expected << "Timeout while downloading - trying again... " + QString::number(i);
    expected << "Failed: " + QString::fromUtf8(address);
    QStringList relevant;
    for (const QString &line : LogLines()) {
        if (line.startsWith("Timeout") || line.startsWith("Failed"))
            relevant << line;
    }
    EXPECT_EQ(relevant, expected);
    QFile log(ProgramFile("error.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), address + "\r\n");
    EXPECT_EQ(RunPictureCount, 0);
}

TEST_F(DownloadTest, APortPastSixteenBitsFailsAtOnceWithoutARequest)
{
    const QByteArray address = "http://127.0.0.1:" + QByteArray::number(server.Port() + 65536) + "/ok";
    form->HTTP2->Body = "ok.jpg";
    form->ZDownloadaj(address, 1);
    const QStringList log = LogLines();
    EXPECT_EQ(log.mid(log.size() - 2),
              (QStringList{"Invalid port number " + QString::number(server.Port() + 65536),
                           "Failed: " + QString::fromUtf8(address)}));
    EXPECT_EQ(server.RequestCount(), 0);
    EXPECT_TRUE(Files().isEmpty());
    QFile errors(ProgramFile("error.log"));
    ASSERT_TRUE(errors.open(QIODevice::ReadOnly));
    EXPECT_EQ(errors.readAll(), address + "\r\n");
}

TEST_F(DownloadTest, TheErrorLogGrowsByOneLinePerFailedAddress)
{
    form->ZDownloadaj("http://a/1.jpg", 6);
    form->ZDownloadaj("http://b/2.jpg", 6);
    QFile log(ProgramFile("error.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), QByteArray("http://a/1.jpg\r\nhttp://b/2.jpg\r\n"));
}

TEST_F(DownloadTest, AnErrorLogThatCannotBeWrittenIsAFileError)
{
    ASSERT_TRUE(QDir().mkpath(ProgramFile("error.log")));
    EXPECT_THROW(form->ZDownloadaj("http://a/1.jpg", 6), EFCreateError);
    QDir(ProgramFile("error.log")).removeRecursively();
}

TEST_F(DownloadTest, AResetMidBodyIsRetriedLeavesNoPartAndTheBatchGoesOn)
{
    Download("/reset-mid-body", "part.jpg");
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(server.RequestCount(), 5);
    EXPECT_TRUE(LogLines().contains("Failed: " + QString::fromUtf8(server.Url("/reset-mid-body"))));
    EXPECT_TRUE(windows.Errors().isEmpty());
    EXPECT_EQ(RunPictureCount, 0);
}

TEST_F(DownloadTest, AFolderThatIsGoneIsReportedWithTheSystemsReason)
{
    ASSERT_TRUE(QDir(folder).removeRecursively());
    server.Route("/a.jpg", FixtureResponse::Ok("abc"));
    // No file can be made there: the file fails and the batch is told to end.
    EXPECT_THROW(Download("/a.jpg", "a.jpg"), ESaveFolderError);
    EnglishUI = 1;
    EXPECT_THROW(Download("/a.jpg", "b.jpg"), ESaveFolderError);
    EXPECT_TRUE(LogLines().contains(
        "File b.jpg was not saved: the file cannot be created: No such file or directory"));
    EXPECT_TRUE(LogLines().contains(QStringLiteral(
        "Datoteke a.jpg ni bilo mogoče shraniti: datoteke ni mogoče ustvariti: No such file or directory")));
    EXPECT_FALSE(LogLines().join('\n').contains("Forbidden character detected"));
    EXPECT_EQ(form->Memo4, (QList<QByteArray>{server.Url("/a.jpg"), server.Url("/a.jpg")}));
}

TEST_F(DownloadTest, AFileSizeLimitMidFileIsAWriteErrorWithTheSystemsMessage)
{
    server.Route("/big.jpg", FixtureResponse::Ok(QByteArray(200000, 'x')));
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 50000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EnglishUI = 1;
    Download("/big.jpg", "big.jpg");
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_TRUE(LogLines().contains("File big.jpg was not saved: the file cannot be written: File too large"));
    EXPECT_EQ(form->Memo4, QList<QByteArray>{server.Url("/big.jpg")});
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(RunPictureCount, 0);
}

}  // namespace
