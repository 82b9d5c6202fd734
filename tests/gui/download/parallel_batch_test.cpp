// Several files at once: the names and bytes one at a time gives, the cap on
// transfers, each file's own outcome, and Stop, Disconnect and closing with
// transfers in flight leaving nothing behind.
#include "download_fixture.h"

#include "gui/panel_status_bar.h"
#include "core/download/batch_progress.h"
#include "net/http_worker.h"
#include "tests/support/test_helpers.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>

namespace {

class ParallelBatchTest : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        SetUpForBatches();
    }
    void Pick(const QList<QByteArray> &paths)
    {
        QList<QByteArray> addresses;
        for (const QByteArray &path : paths)
            addresses << server.Url(path);
        form->List2->SetItems(addresses);
        form->List2->SelectAll();
    }
    void Save(int slotCount)
    {
        form->SpinEdit1->setValue(slotCount);
        form->Button4->click();
    }
    QMap<QString, QByteArray> Contents() const
    {
        QMap<QString, QByteArray> contents;
        for (const QString &name : Files())
            contents[name] = Saved(name);
        return contents;
    }
    // Presses the button once the server holds `transfers` requests, from
    // inside the batch's wait.
    void PressWhenInFlight(QPushButton *button, int transfers)
    {
        auto *poll = new QTimer(form);
        QObject::connect(poll, &QTimer::timeout, form, [this, poll, button, transfers] {
            if (server.RequestCount() < transfers)
                return;
            poll->deleteLater();
            poll->stop();
            button->click();
        });
        poll->start(10);
    }
    QByteArray ErrorLog() const
    {
        QFile file(ProgramFile("error.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static FixtureResponse Picture(const QByteArray &body, int delayMs = 0)
    {
        FixtureResponse response = FixtureResponse::Ok(body, "image/jpeg");
        response.DelayMs = delayMs;
        return response;
    }
    static FixtureResponse Stalled()
    {
        FixtureResponse response = FixtureResponse::Ok(QByteArray(1000, 's'), "image/jpeg");
        response.StallAfter = 100;
        return response;
    }
};

TEST_F(ParallelBatchTest, NamesAndBytesAreThoseOfOneAtATimeWhateverEndsFirst)
{
    // The first file ends last; every x.jpg collides with the one before
    // and with the file already in the folder.
    server.Route("/a/x.jpg", Picture("first", 400));
    server.Route("/b/x.jpg", Picture("second", 100));
    server.Route("/c/x.jpg", Picture("third"));
    server.Route("/d/y.jpg", Picture("fourth", 100));
    server.Route("/e/x.jpg", Picture("fifth"));
    server.Route("/f/y.jpg", Picture("sixth", 50));
    const QList<QByteArray> paths{"/a/x.jpg", "/b/x.jpg", "/c/x.jpg", "/d/y.jpg", "/e/x.jpg", "/f/y.jpg"};
    windows.WriteFile("x.jpg", "already here");
    Pick(paths);
    Save(1);
    const QMap<QString, QByteArray> oneAtATime = Contents();
    ASSERT_EQ(oneAtATime.size(), 7);

    for (const QString &name : Files()) {
        if (name != "x.jpg")
            QFile::remove(QDir(folder).filePath(name));
    }
    Pick(paths);
    Save(3);
    EXPECT_EQ(Contents(), oneAtATime);
    EXPECT_EQ(oneAtATime.value("x0001.jpg"), QByteArray("first"));
    EXPECT_GE(server.MostConcurrent(), 3);  // a closed connection may count a moment longer
    EXPECT_EQ(RunPictureCount, 12);
    EXPECT_EQ(form->Status1->PanelText(2), QStringLiteral("Download finished. 6 saved, 0 failed."));
    EXPECT_TRUE(form->Rich1Line(1).isEmpty());
}

TEST_F(ParallelBatchTest, TransfersStayWithinTheCapAndKeptConnectionsAreShared)
{
    QList<QByteArray> paths;
    for (int i = 0; i < 12; ++i) {
        FixtureResponse response = FixtureResponse::KeptOk(QByteArray(100, char('a' + i)));
        response.Head.replace("text/html", "image/jpeg");
        response.DelayMs = 40;
        paths << "/p/" + QByteArray::number(i) + ".jpg";
        server.Route(paths.last(), response);
    }
    form->CheckBox6->click();  // keep connections open
    QStringList progress;
    Later(form, 120, [&] { progress << form->Status1->PanelText(2) << form->Rich1Line(0) + " | " + form->Rich1Line(1); });
    Pick(paths);
    Save(2);
    EXPECT_EQ(Files().size(), 12);
    EXPECT_EQ(server.MostConcurrent(), 2);
    EXPECT_EQ(server.ConnectionCount(), 2);  // one kept connection per slot
    ASSERT_EQ(progress.size(), 2);
    EXPECT_TRUE(progress[0].contains(QRegularExpression("^\\d+ of 12 files done, 2 in transfer, [\\d.]+ K?i?B at \\d+ KiB/s$")))
        << progress[0].toStdString();
    EXPECT_TRUE(progress[1].contains(QRegularExpression("^\\d+/12 done \\| 2 now · \\d+ KiB/s$"))) << progress[1].toStdString();
}

TEST_F(ParallelBatchTest, EachFileKeepsItsOwnOutcomeAndRetries)
{
    server.Route("/ok.jpg", Picture("fine"));
    const QList<QByteArray> paths{"/length-too-long", "/ok.jpg", "/not-found", "/p/page.jpg"};
    server.Route("/p/page.jpg", FixtureResponse::Ok("<html><body>no picture</body></html>"));
    Pick(paths);
    Save(4);
    EXPECT_EQ(Files(), QStringList{"ok.jpg"});
    QList<QByteArray> failed = ErrorLog().split('\n');
    std::sort(failed.begin(), failed.end());
    EXPECT_EQ(failed, (QList<QByteArray>{"", server.Url("/length-too-long") + "\r", server.Url("/not-found") + "\r",
                                         server.Url("/p/page.jpg") + "\r"}));
    const QStringList log = LogLines();
    for (int attempt = 1; attempt <= 5; ++attempt) {
        EXPECT_TRUE(log.contains(QStringLiteral("Transfer of length-too-long broken off (only 100 of 1000 bytes came)"
                                                " - trying again... %1").arg(attempt)));
    }
    EXPECT_TRUE(log.contains("File not-found was not saved: the server answered 404 Not Found"));
    EXPECT_TRUE(log.contains("File page.jpg was not saved: an HTML page came instead of the file"));
    EXPECT_EQ(RunPictureCount, 1);
}

TEST_F(ParallelBatchTest, StopEndsTheTransfersInFlightAndTheBatchGoesOn)
{
    server.Route("/s1.jpg", Stalled());
    server.Route("/s2.jpg", Stalled());
    server.Route("/s3.jpg", Stalled());
    server.Route("/f1.jpg", Picture("after one"));
    server.Route("/f2.jpg", Picture("after two"));
    Pick({"/s1.jpg", "/s2.jpg", "/s3.jpg", "/f1.jpg", "/f2.jpg"});
    PressWhenInFlight(form->Button18, 3);
    Save(3);
    EXPECT_EQ(Files(), (QStringList{"f1.jpg", "f2.jpg"}));
    EXPECT_TRUE(ErrorLog().isEmpty());
    EXPECT_EQ(form->Status1->PanelText(2), QStringLiteral("Download interrupted. 2 saved, 0 failed, 3 stopped."));
}

TEST_F(ParallelBatchTest, DisconnectAndClosingEndEverythingAndLeaveNoPartFile)
{
    for (const char *path : {"/s1.jpg", "/s2.jpg", "/s3.jpg", "/s4.jpg"})
        server.Route(path, Stalled());
    Pick({"/s1.jpg", "/s2.jpg", "/s3.jpg", "/s4.jpg"});
    PressWhenInFlight(form->Button1, 3);  // Disconnect
    Save(3);
    EXPECT_TRUE(Files().isEmpty()) << Files().join(' ').toStdString();
    EXPECT_EQ(server.RequestCount(), 3);
    EXPECT_EQ(form->List2->Count(), 4) << "Disconnect keeps the link list";

    Pick({"/s1.jpg", "/s2.jpg", "/s3.jpg", "/s4.jpg"});
    auto *poll = new QTimer(form);
    QObject::connect(poll, &QTimer::timeout, form, [this, poll] {
        if (server.RequestCount() >= 6) {
            poll->stop();
            form->close();
        }
    });
    poll->start(10);
    Save(3);
    EXPECT_TRUE(ShuttingDown);
    EXPECT_TRUE(Files().isEmpty()) << Files().join(' ').toStdString();
    EXPECT_EQ(server.RequestCount(), 6);
    EXPECT_TRUE(ErrorLog().isEmpty());
    for (const THttpWorker *worker : form->Workers)
        EXPECT_FALSE(worker->Busy());
}

TEST(BatchProgressText, SizesAndSpeedInBothLanguages)
{
    EXPECT_EQ(DataSizeText(512, true), QStringLiteral("512 B"));
    EXPECT_EQ(DataSizeText(1536, true), QStringLiteral("1.5 KiB"));
    EXPECT_EQ(DataSizeText(1536, false), QStringLiteral("1,5 KiB"));
    EXPECT_EQ(DataSizeText(20 * 1024 * 1024, true), QStringLiteral("20 MiB"));
    EXPECT_EQ(DataSizeText(qint64(5) << 40, true), QStringLiteral("5.0 TiB"));
    EXPECT_EQ(DataSizeText(qint64(5000) << 40, true), QStringLiteral("5000 TiB"));
    const TBatchProgress progress{3, 10, 2, 3 * 1024 * 1024, 0};  // no time yet: no division by zero
    EXPECT_EQ(ProgressSentence(progress, false),
              QStringLiteral("3 od 10 datotek končanih, 2 v prenosu, 3,0 MiB s hitrostjo 3072000 KiB/s"));
    EXPECT_EQ(ProgressCounterLine(progress, true) + " | " + ProgressRateLine({3, 10, 2, 2048, 2000}, true),
              QStringLiteral("3/10 done | 2 now · 1 KiB/s"));
}

}  // namespace
