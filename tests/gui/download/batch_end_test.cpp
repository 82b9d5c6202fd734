// The end of a batch one can act on: the failed files' panel with Retry
// failed and Open folder, hidden by the next page load; the total progress
// while the batch runs; the taskbar alert for a window in the background;
// and red marks only on the lines of failed files, also after a Stop.
#include "busy_window_fixture.h"

#include "gui/platform.h"

#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QUrl>

namespace {

class BatchEnd : public BusyWindowTest {
protected:
    void TearDown() override
    {
        SetExternalOpener({});
        BusyWindowTest::TearDown();
    }
    // a, gone (404), c, all picked.
    void PickWithFailure()
    {
        form->List2->SetItems({server.Url("/p/a.jpg"), server.Url("/p/gone.jpg"), server.Url("/p/c.jpg")});
        form->List2->SelectAll();
    }
    int RequestsFor(const QByteArray &path) const
    {
        const auto requests = server.Requests();
        return int(std::count_if(requests.begin(), requests.end(),
                                 [&](const QByteArray &r) { return r.startsWith("GET " + path + " "); }));
    }
    // The log's lines from line n on that are red.
    QStringList RedLinesFrom(int n) const
    {
        QStringList red;
        const QStringList all = form->Memo3->Text().split(u'\n');
        for (int i = n; i < all.size(); ++i) {
            if (form->Memo3->IsFailureLine(i))
                red << all[i];
        }
        return red;
    }
    int LogLineCount() const { return int(form->Memo3->Text().split(u'\n').size()); }
};

struct PanelCase {
    bool english;
    const char *status;
    const char *list;
    const char *retry;
    const char *open;
};

const PanelCase kPanelCases[] = {
    {true, "Download finished. 2 saved, 1 failed.", "Failed: gone.jpg", "Retry failed", "Open folder"},
    {false, "Prenos datotek končan. Shranjenih: 2, neuspešnih: 1.", "Neuspešne: gone.jpg", "Ponovi neuspele",
     "Odpri imenik"},
};

TEST_F(BatchEnd, ABatchWithAFailedFileShowsItWithRetryAndOpenFolderInBothLanguages)
{
    for (const PanelCase &c : kPanelCases) {
        SCOPED_TRACE(c.english);
        c.english ? form->ENGClick() : form->SLOClick();
        PickWithFailure();
        Click(form->Button4);
        EXPECT_EQ(Status(), QString::fromUtf8(c.status));
        ASSERT_TRUE(form->FailedPanel->isVisible());
        EXPECT_EQ(form->FailedList->text(), QString::fromUtf8(c.list));
        EXPECT_EQ(form->RetryFailedButton->text(), QString::fromUtf8(c.retry));
        EXPECT_EQ(form->OpenFolderButton->text(), QString::fromUtf8(c.open));
        EXPECT_TRUE(Shown().messages.isEmpty() && Shown().errors.isEmpty()) << "no dialog";
        for (const QString &name : Files())
            QFile::remove(QDir(folder).filePath(name));
    }
}

TEST_F(BatchEnd, ABatchWithoutFailuresShowsNoPanel)
{
    PickBatch("c.jpg");
    Click(form->Button4);
    EXPECT_EQ(Status(), "Download finished. 3 saved, 0 failed.");
    EXPECT_FALSE(form->FailedPanel->isVisible());
}

TEST_F(BatchEnd, RetryFailedAsksOnlyForTheFailedFileAndNamesItAsBeforeInBothLanguages)
{
    const struct {
        bool english;
        const char *end;
    } cases[] = {{true, "Download finished. 1 saved, 0 failed."},
                 {false, "Prenos datotek končan. Shranjenih: 1, neuspešnih: 0."}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.english);
        c.english ? form->ENGClick() : form->SLOClick();
        server.Route("/p/gone.jpg", FixtureResponse::Status(404, "Not Found", {"Content-Length: 0"}, {}));
        server.ClearRequests();
        form->Edit4->setText("x-");
        PickWithFailure();
        Click(form->Button4);
        ASSERT_TRUE(form->FailedPanel->isVisible());
        // The server has it now; the picked lines and the prefix field change in between.
        server.Route("/p/gone.jpg", FixtureResponse::Ok("data of gone", "image/jpeg"));
        form->List2->SetItems({server.Url("/p/a.jpg")});
        form->Edit4->setText("other-");
        Click(form->RetryFailedButton);
        EXPECT_EQ(RequestsFor("/p/gone.jpg"), 2);
        EXPECT_EQ(RequestsFor("/p/a.jpg"), 1);
        EXPECT_EQ(RequestsFor("/p/c.jpg"), 1);
        EXPECT_EQ(Saved("x-gone.jpg"), "data of gone");
        EXPECT_EQ(Status(), QString::fromUtf8(c.end));
        EXPECT_FALSE(form->FailedPanel->isVisible());
        for (const QString &name : Files())
            QFile::remove(QDir(folder).filePath(name));
    }
}

TEST_F(BatchEnd, RetryFailedThatFailsAgainShowsThePanelAgain)
{
    PickWithFailure();
    Click(form->Button4);
    Click(form->RetryFailedButton);
    EXPECT_EQ(RequestsFor("/p/gone.jpg"), 2);
    EXPECT_EQ(Status(), "Download finished. 0 saved, 1 failed.");
    EXPECT_TRUE(form->FailedPanel->isVisible());
}

TEST_F(BatchEnd, ThePanelNamesTenFilesAndCountsTheRest)
{
    QList<QByteArray> picked;
    for (int i = 0; i < 12; ++i)
        picked << server.Url("/p/gone" + QByteArray::number(i) + ".jpg?v=1");
    form->List2->SetItems(picked);
    form->List2->SelectAll();
    Click(form->Button4);
    EXPECT_EQ(form->FailedList->text(), "Failed: gone0.jpg, gone1.jpg, gone2.jpg, gone3.jpg, gone4.jpg, gone5.jpg, "
                                        "gone6.jpg, gone7.jpg, gone8.jpg, gone9.jpg and 2 more");
    form->SLOClick();
    form->List2->SelectAll();
    Click(form->Button4);
    EXPECT_TRUE(form->FailedList->text().endsWith(" in še 2")) << form->FailedList->text().toStdString();
}

TEST_F(BatchEnd, TheNextLoadPageHidesThePanelInBothLanguages)
{
    for (const bool english : {true, false}) {
        SCOPED_TRACE(english);
        english ? form->ENGClick() : form->SLOClick();
        PickWithFailure();
        Click(form->Button4);
        ASSERT_TRUE(form->FailedPanel->isVisible());
        TypePageAddress();
        Click(form->Button2);
        EXPECT_EQ(form->List2->Count(), 1);
        EXPECT_FALSE(form->FailedPanel->isVisible());
        for (const QString &name : Files())
            QFile::remove(QDir(folder).filePath(name));
    }
}

TEST_F(BatchEnd, OpenFolderOpensTheSaveFolderOrSaysThatNoFileManagerWasFound)
{
    PickWithFailure();
    Click(form->Button4);
    QList<QUrl> opened;
    SetExternalOpener([&](const QUrl &url) {
        opened << url;
        return true;
    });
    Click(form->OpenFolderButton);
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(form->Edit6->text())});
    EXPECT_EQ(Status(), "Download finished. 2 saved, 1 failed.");

    SetExternalOpener([](const QUrl &) { return false; });
    const struct {
        bool english;
        const char *status;
    } kNoManager[] = {{true, "No file manager found."}, {false, "Ni upravitelja datotek."}};
    for (const auto &c : kNoManager) {
        c.english ? form->ENGClick() : form->SLOClick();
        Click(form->OpenFolderButton);
        EXPECT_EQ(Status(), QString::fromUtf8(c.status));
    }
}

TEST_F(BatchEnd, TheTotalProgressShowsWhileTheBatchRunsAndGoesAtItsEnd)
{
    for (const int slotCount : {1, 3}) {
        SCOPED_TRACE(slotCount);
        form->SpinEdit1->setValue(slotCount);
        PickBatch("late.jpg");
        QString during;
        // Seen from the event loop, without holding up the batch: once a file has ended.
        WhenTrue([&] { return form->TotalProgress->isVisible() && form->TotalProgress->value() >= 1; },
                 [&] { during = form->TotalProgress->format(); });
        Click(form->Button4);
        EXPECT_TRUE(QRegularExpression("^[12]/3 files, \\d+ B").match(during).hasMatch()) << during.toStdString();
        EXPECT_EQ(form->TotalProgress->maximum(), 3);
        EXPECT_FALSE(form->TotalProgress->isVisible());
        for (const QString &name : Files())
            QFile::remove(QDir(folder).filePath(name));
        server.ClearRequests();
    }
}

TEST_F(BatchEnd, ABatchEndingBehindAnotherWindowAlertsTheTaskbarOnly)
{
    int alerts = 0;
    form->AlertUser = [&](QWidget *window) {
        EXPECT_EQ(window, form->window());
        ++alerts;
    };
    form->activateWindow();
    WaitUntil([&] { return form->isActiveWindow(); }, 1000);
    const bool active = form->isActiveWindow();
    PickBatch("c.jpg");
    Click(form->Button4);
    EXPECT_EQ(alerts, active ? 0 : 1);

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return !form->isActiveWindow(); }, 2000));
    form->List2->SelectAll();
    alerts = 0;
    form->Button4Click();
    EXPECT_EQ(alerts, 1);
    EXPECT_TRUE(Shown().messages.isEmpty() && Shown().errors.isEmpty()) << "no dialog";
}

// Stop in the middle of a batch, then a new batch: only the lines of files
// that failed are red, none of the new batch's saved ones.
TEST_F(BatchEnd, AfterStopOnlyTheLinesOfFailedFilesAreRed)
{
    for (const auto &[interrupt, slotCount] : {std::pair{form->Button18, 1}, std::pair{form->Button1, 1},
                                               std::pair{form->Button18, 3}, std::pair{form->Button1, 3}}) {
        SCOPED_TRACE(interrupt->text().toStdString() + " " + std::to_string(slotCount));
        form->SpinEdit1->setValue(slotCount);
        // Files after the held one: Stop goes on with them.
        form->List2->SetItems({server.Url("/p/a.jpg"), server.Url("/p/gone.jpg"), server.Url("/p/stall.jpg"),
                               server.Url("/p/c.jpg"), server.Url("/x.jpg")});
        form->List2->SelectAll();
        // Once the 404 has ended: with three at once it may still be in
        // transfer when the held file is asked for, and would be stopped.
        const int start = LogLineCount();
        WhenTrue(
            [&] {
                const QStringList lines = form->Memo3->Text().split(u'\n').mid(start);
                return Requested("/p/stall.jpg") && !lines.filter(QStringLiteral("gone.jpg was not saved")).isEmpty();
            },
            [&] { Click(interrupt); });
        Click(form->Button4);
        const QString gone = "Failed: " + QString::fromUtf8(server.Url("/p/gone.jpg"));
        EXPECT_EQ(RedLinesFrom(start),
                  (QStringList{"File gone.jpg was not saved: the server answered 404 Not Found", gone}));
        server.ClearRequests();
        const int from = LogLineCount();
        TypePageAddress();
        Click(form->Button2);
        form->List2->SetItems({server.Url("/p/c.jpg"), server.Url("/p/gone.jpg"), server.Url("/x.jpg")});
        form->List2->SelectAll();
        Click(form->Button4);
        const QString failed = "Failed: " + QString::fromUtf8(server.Url("/p/gone.jpg"));
        EXPECT_EQ(RedLinesFrom(from),
                  (QStringList{"File gone.jpg was not saved: the server answered 404 Not Found", failed}));
        for (const QString &name : Files())
            QFile::remove(QDir(folder).filePath(name));
    }
}

// A command-line run that closes by itself: the same log, no panel, no
// progress bar, no alert.
TEST_F(BatchEnd, ARunWithExitShowsNothingNew)
{
    server.Route("/p/index.html", FixtureResponse::Ok("<a href=\"a.jpg\">a</a> <a href=\"gone.jpg\">g</a>"));
    int alerts = 0;
    form->AlertUser = [&](QWidget *) { ++alerts; };
    bool progressShown = false;
    WhenRequested("/p/a.jpg", [&] { progressShown = form->TotalProgress->isVisible(); });
    form->FormShow({QString::fromUtf8("127.0.0.1:" + QByteArray::number(server.Port()) + "/p/index.html"), folder,
                    "start", "exit"});
    WaitUntil([&] { return RequestsFor("/p/gone.jpg") == 1 && !BatchRunning; });
    EXPECT_EQ(form->CommandLineExitStatus(), 1);
    EXPECT_FALSE(form->FailedPanel->isVisible());
    EXPECT_FALSE(form->TotalProgress->isVisible());
    EXPECT_FALSE(progressShown);
    EXPECT_EQ(alerts, 0);
    EXPECT_TRUE(LogLines().contains("Download finished. 1 saved, 1 failed.")) << LogLines().join('\n').toStdString();
}

// The log emptied while its view stood after a red line: the lines that
// come next are plain unless marked.
TEST(MessageLogColour, AfterEmptyingOnlyMarkedLinesAreRed)
{
    MessageLog log(nullptr, 0);
    log.AppendLine("Failed: one", true);
    log.ShowNewestLine();  // the view's cursor after the red line
    log.Clear();
    log.AppendLine("Downloading a.jpg -> a.jpg");
    log.AppendLine("Failed: two", true);
    log.AppendLine("Download finished. 1 saved, 1 failed.");
    log.Flush();
    const bool expected[] = {false, true, false};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(log.IsFailureLine(i), expected[i]) << i;
}

}  // namespace
