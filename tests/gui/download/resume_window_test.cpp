// Continuing interrupted files with "Skip pictures already saved" on: a
// transfer broken off continues with a range request in the next attempt
// and in a later run, and after Stop; a server that sends the whole file
// instead, a file changed on the server and a range that does not continue
// the part each give the whole new file; nothing hidden stays behind.
#include "download_fixture.h"

#include "base/errors.h"
#include "net/socket_errors.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <mutex>
#include <utility>

#include <unistd.h>

namespace {

QByteArray Pattern(int size, char seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(seed + i % 251);
    return bytes;
}

class ResumeWindowTest : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        SetUpForBatches();
        file.Body = Pattern(60000, 'a');
        server.Route("/g/big.jpg", [this](const QByteArray &request) {
            std::lock_guard lock(mutex);
            FixtureResponse response = file.Answer(request);
            if (cuts > 0) {  // broken off after cutBytes of the body
                --cuts;
                response.CloseAfter = response.Head.size() + cutBytes;
                if (afterCut)
                    std::exchange(afterCut, nullptr)(file);
            } else if (stall) {
                response.StallAfter = response.Head.size() + cutBytes;
            }
            return response;
        });
        TickSkipBox();
    }
    void TickSkipBox()
    {
        QTest::mouseClick(form->CheckBox8, Qt::LeftButton, {}, QPoint(4, form->CheckBox8->height() / 2));
        ASSERT_TRUE(form->CheckBox8->isChecked());
    }
    void Serve(const std::function<void(FixtureRangeFile &)> &change)
    {
        std::lock_guard lock(mutex);
        change(file);
    }
    void SaveBig(int slotCount = 1)
    {
        form->List2->SetItems({server.Url("/g/big.jpg")});
        form->List2->SelectAll();
        form->SpinEdit1->setValue(slotCount);
        QTest::mouseClick(form->Button4, Qt::LeftButton);
    }
    QByteArray RangeOfRequest(int index) const
    {
        const QByteArray request = server.Requests().at(size_t(index));
        const qsizetype at = request.indexOf("Range: bytes=");
        return at < 0 ? QByteArray() : request.mid(at + 13, request.indexOf('-', at + 13) - at - 13);
    }

    // A batch whose every attempt breaks off: a part of 25000 bytes stays.
    QByteArray LeaveAPart()
    {
        Serve([this](FixtureRangeFile &) {
            cuts = 5;
            cutBytes = 5000;
        });
        SaveBig();
        EXPECT_EQ(Files().size(), 1);
        return Files().value(0).toUtf8();
    }

    std::mutex mutex;
    FixtureRangeFile file;
    int cuts = 0;
    qint64 cutBytes = 20000;
    bool stall = false;
    std::function<void(FixtureRangeFile &)> afterCut;  // applied once, after the next cut
};

TEST_F(ResumeWindowTest, ABrokenTransferContinuesInTheNextAttemptAndInALaterBatch)
{
    Serve([this](FixtureRangeFile &) { cuts = 1; });
    SaveBig();
    EXPECT_EQ(Files(), QStringList{"big.jpg"});
    EXPECT_EQ(Saved("big.jpg"), Pattern(60000, 'a'));
    ASSERT_EQ(server.RequestCount(), 2);
    EXPECT_EQ(RangeOfRequest(0), QByteArray());
    EXPECT_EQ(RangeOfRequest(1), QByteArray("20000"));
    EXPECT_TRUE(server.Requests()[1].contains("If-Range: \"v1\"\r\n"));
    EXPECT_EQ(LogLines().filter("Continuing big.jpg from byte 20000").size(), 1);

    // Every attempt of a batch broken off: the file fails, its part stays
    // for the next batch, which takes the rest only.
    QFile::remove(QDir(folder).filePath("big.jpg"));
    server.ClearRequests();
    Serve([this](FixtureRangeFile &) {
        cuts = 5;
        cutBytes = 5000;
    });
    SaveBig(3);
    ASSERT_EQ(Files().size(), 1);
    EXPECT_TRUE(Files().first().startsWith(".grabulo-")) << Files().join(' ').toStdString();
    EXPECT_EQ(RangeOfRequest(4), QByteArray("20000"));
    server.ClearRequests();
    SaveBig();
    EXPECT_EQ(Files(), QStringList{"big.jpg"});
    EXPECT_EQ(Saved("big.jpg"), Pattern(60000, 'a'));
    EXPECT_EQ(RangeOfRequest(0), QByteArray("25000"));
}

TEST_F(ResumeWindowTest, AfterStopTheNextBatchContinuesThePart)
{
    Serve([this](FixtureRangeFile &) { stall = true; });
    auto *poll = new QTimer(form);
    QObject::connect(poll, &QTimer::timeout, form, [this, poll] {
        if (server.RequestCount() < 1)
            return;
        poll->stop();
        QTimer::singleShot(200, form, [this] { QTest::mouseClick(form->Button18, Qt::LeftButton); });
    });
    poll->start(10);
    SaveBig();
    ASSERT_EQ(Files().size(), 1);
    EXPECT_TRUE(Files().first().startsWith(".grabulo-"));
    Serve([this](FixtureRangeFile &) { stall = false; });
    SaveBig();
    EXPECT_EQ(Files(), QStringList{"big.jpg"});
    EXPECT_EQ(Saved("big.jpg"), Pattern(60000, 'a'));
    EXPECT_EQ(RangeOfRequest(1), QByteArray("20000"));
}

TEST_F(ResumeWindowTest, AWholeAnswerAChangedFileOrAWrongRangeGiveTheWholeNewFile)
{
    struct Case {
        const char *what;
        std::function<void(FixtureRangeFile &)> change;
        int requests;
    };
    const QByteArray changed = Pattern(50000, 'A');
    const QList<Case> cases{
        {"200 instead of 206", [](FixtureRangeFile &f) { f.IgnoreRanges = true; }, 2},
        {"changed tag", [&](FixtureRangeFile &f) { f.ETag = "\"v2\""; f.Body = changed; }, 2},
        {"range elsewhere", [](FixtureRangeFile &f) { f.ShiftStart = 100; }, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Serve([&](FixtureRangeFile &f) {
            f = FixtureRangeFile();
            f.Body = Pattern(60000, 'a');
        });
        server.ClearRequests();
        Serve([&](FixtureRangeFile &) {
            cuts = 1;  // the first answer breaks off; the change comes with the second
            afterCut = c.change;
        });
        SaveBig();
        const QByteArray expected = QByteArray(c.what) == "changed tag" ? changed : Pattern(60000, 'a');
        EXPECT_EQ(Files(), QStringList{"big.jpg"});
        EXPECT_EQ(Saved("big.jpg"), expected);
        EXPECT_EQ(server.RequestCount(), c.requests);
        QFile::remove(QDir(folder).filePath("big.jpg"));
    }
    EXPECT_EQ(LogLines().filter("Cannot continue big.jpg").size(), 1);
}

// A part left by a broken batch: the next attempt is told the complete
// length the archive remembers, which a 206 must state.
TEST_F(ResumeWindowTest, TheResumePointCarriesTheRememberedCompleteLength)
{
    LeaveAPart();
    RaisingClient client;  // notes the resume point, then is stopped
    client.Error = std::make_exception_ptr(EAbortError(kConnectionCanceled));
    client.Body = "big.jpg";
    const ClientInPlace inPlace(form, client);
    form->ZDownloadaj(server.Url("/g/big.jpg"), 1);
    EXPECT_EQ(client.SeenFrom, 25000);
    EXPECT_EQ(client.SeenTotal, 60000);
}

// A part that has another name (a hard link planted in the folder) is
// never continued, so that other file stays as it was.
TEST_F(ResumeWindowTest, APartWithASecondNameStartsOverAndTheOtherFileStaysAsItWas)
{
    const QByteArray part = LeaveAPart();
    const QString other = testenv::NewFolder("other") + "/other.bin";
    ASSERT_EQ(::link(part.constData(), QFile::encodeName(other).constData()), 0);
    const QByteArray before = windows.ReadFile(other);
    server.ClearRequests();
    SaveBig();
    EXPECT_EQ(Files(), QStringList{"big.jpg"});
    EXPECT_EQ(Saved("big.jpg"), Pattern(60000, 'a'));
    EXPECT_EQ(RangeOfRequest(0), QByteArray());
    EXPECT_EQ(windows.ReadFile(other), before);
    EXPECT_EQ(before.size(), 25000);
    EXPECT_EQ(LogLines().filter("The part file " + QString::fromUtf8(part) + " has more than one name").size(), 1);
}

}  // namespace
