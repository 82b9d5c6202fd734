// How a batch reports: the overall progress in the status panel while the
// files of one at a time transfer, the "N saved, M failed" that ends a
// finished or stopped batch in both walks and both languages, the failed
// lines in red, and the progress texts themselves.
#include "busy_window_fixture.h"

#include "core/download/batch_progress.h"

#include <QRegularExpression>

namespace {

class BatchSummary : public BusyWindowTest {
protected:
    // A saved, a 404 (failed at once), then the given file, then c.
    void PickWithFailure(const QByteArray &third)
    {
        form->List2->SetItems({server.Url("/p/a.jpg"), server.Url("/p/gone.jpg"), server.Url("/p/" + third),
                               server.Url("/p/c.jpg")});
        form->List2->SelectAll();
    }
    QString LastLogLine() const { return LogLines().value(LogLines().size() - 1); }
    int LineNumber(const QString &text) const
    {
        const QStringList all = form->Memo3->Text().split(u'\n');
        return int(all.indexOf(text));
    }
};

TEST_F(BatchSummary, AFinishedBatchEndsWithItsTallyInBothWalksAndBothLanguages)
{
    for (const int slotCount : {1, 3}) {
        SCOPED_TRACE(slotCount);
        form->SpinEdit1->setValue(slotCount);
        PickWithFailure("late.jpg");
        form->ENGClick();
        Click(form->Button4);
        EXPECT_EQ(Status(), "Download finished. 3 saved, 1 failed.");
        EXPECT_EQ(LastLogLine(), "Download finished. 3 saved, 1 failed.");

        form->SLOClick();
        form->List2->SelectAll();
        Click(form->Button4);
        EXPECT_EQ(Status(), "Prenos datotek končan. Shranjenih: 3, neuspešnih: 1.");
        EXPECT_EQ(LastLogLine(), Status());
        for (const QString &name : Files())
            QFile::remove(QDir(folder).filePath(name));
    }
}

TEST_F(BatchSummary, AStoppedBatchCountsWhatEndedBeforeTheStop)
{
    for (const int slotCount : {1, 3}) {
        SCOPED_TRACE(slotCount);
        form->SpinEdit1->setValue(slotCount);
        // The fourth is held too: several at once starts it as soon as a slot is free.
        form->List2->SetItems({server.Url("/p/a.jpg"), server.Url("/p/gone.jpg"), server.Url("/p/stall.jpg"),
                               server.Url("/p/stall.jpg?second")});
        form->List2->SelectAll();
        // Disconnect once a and gone have ended, the held file in transfer.
        WhenTrue([&] { return Requested("/p/stall.jpg") && form->Tally.saved + form->Tally.failed == 2; },
                 [&] { Click(form->Button1); });
        form->ENGClick();
        Click(form->Button4);
        // What was in transfer is counted as stopped: one file, or both held ones.
        const QString end = slotCount == 1 ? "Download interrupted. 1 saved, 1 failed, 1 stopped."
                                           : "Download interrupted. 1 saved, 1 failed, 2 stopped.";
        EXPECT_EQ(Status(), end);
        EXPECT_TRUE(LogLines().contains(end));
        EXPECT_EQ(Files(), QStringList{"a.jpg"}) << "no temporary file stays";
        QFile::remove(QDir(folder).filePath("a.jpg"));
        server.ClearRequests();
    }
    form->SLOClick();
    form->SpinEdit1->setValue(1);
    PickWithFailure("stall.jpg");
    WhenRequested("/p/stall.jpg", [&] { Click(form->Button1); });
    Click(form->Button4);
    EXPECT_EQ(Status(), "Prenos datotek prekinjen. Shranjenih: 1, neuspešnih: 1, ustavljenih: 1.");
}

TEST_F(BatchSummary, FailedLinesAreRedAndTheLogTextStaysPlain)
{
    PickWithFailure("c.jpg");
    Click(form->Button4);
    const QString failed = "Failed: " + QString::fromUtf8(server.Url("/p/gone.jpg"));
    const QString reason = "File gone.jpg was not saved: the server answered 404 Not Found";
    const int failedLine = LineNumber(failed);
    ASSERT_GE(failedLine, 0) << form->Memo3->Text().toStdString();
    EXPECT_TRUE(form->Memo3->IsFailureLine(failedLine));
    EXPECT_TRUE(form->Memo3->IsFailureLine(LineNumber(reason)));
    EXPECT_FALSE(form->Memo3->IsFailureLine(LineNumber("Downloading a.jpg -> a.jpg")));
    // The line after a red one is not red.
    EXPECT_FALSE(form->Memo3->IsFailureLine(failedLine + 1));
    EXPECT_FALSE(form->Memo3->IsFailureLine(LineNumber("Download finished. 2 saved, 1 failed.")));
}

TEST_F(BatchSummary, OneAtATimeShowsTheWholeBatchInTheStatusPanel)
{
    PickBatch("late.jpg");
    QString during;
    WhenRequested("/p/late.jpg", [&] {
        // The panel follows at a few times a second, not per chunk.
        WaitUntil([&] { return Status().startsWith("1 of 3"); }, 1000);
        during = Status();
    });
    Click(form->Button4);
    EXPECT_TRUE(QRegularExpression("^1 of 3 files done, 1 in transfer, 9 B at \\d+ KiB/s$")
                    .match(during)
                    .hasMatch())
        << during.toStdString();
    EXPECT_EQ(Status(), "Download finished. 3 saved, 0 failed.");
}

TEST(BatchProgressText, TimeLeftOnlyOnceThePaceMeansSomething)
{
    // No file saved, or under three seconds, says nothing yet.
    EXPECT_EQ(SecondsLeft({1, 10, 1, 100, 60000, 1, 0, 0, 1}), -1);
    EXPECT_EQ(SecondsLeft({5, 10, 1, 5000, 2999, 0, 5000, 0, 1}), -1);
    EXPECT_EQ(SecondsLeft({10, 10, 0, 10000, 60000, 0, 10000, 0, 0}), -1);  // nothing left
    // 4 files of 1000 B in 8 s: 500 B a second; 6 left, one of them half done.
    EXPECT_EQ(SecondsLeft({4, 10, 1, 4000, 8000, 0, 4000, 0, 1}), 11);
    EXPECT_EQ(SecondsLeft({4, 10, 0, 4000, 8000, 0, 4000, 0, 0}), 12);
    EXPECT_EQ(SecondsLeft({2, 1000, 4, 2000, 60000, 0, 2000, 0, 4}), 29880);

    EXPECT_EQ(TimeLeftText(-1, true), QString());
    EXPECT_EQ(TimeLeftText(0, true), "about 5 s left");
    EXPECT_EQ(TimeLeftText(11, true), "about 15 s left");
    EXPECT_EQ(TimeLeftText(59, false), "še približno 60 s");
    EXPECT_EQ(TimeLeftText(89, true), "about 1 min left");
    EXPECT_EQ(TimeLeftText(90, false), "še približno 2 min");
    EXPECT_EQ(TimeLeftText(3569, true), "about 59 min left");
    EXPECT_EQ(TimeLeftText(29880, true), "about 8 h 18 min left");
    EXPECT_EQ(TimeLeftText(29880, false), "še približno 8 h 18 min");
}

TEST(BatchProgressText, TheSentenceGainsTheTimeLeftAndTheTallyItsSkippedFiles)
{
    EXPECT_EQ(ProgressSentence({4, 10, 1, 2048, 8000, 0, 2048, 0, 1}, true),
              "4 of 10 files done, 1 in transfer, 2.0 KiB at 0 KiB/s, about 15 s left");
    EXPECT_EQ(ProgressSentence({1, 10, 1, 2048, 8000}, false),
              "1 od 10 datotek končanih, 1 v prenosu, 2,0 KiB s hitrostjo 0 KiB/s");

    EXPECT_EQ(ProgressChoices({4, 10, 1, 2048, 8000, 0, 2048, 0, 1}, true),
              (QStringList{"4 of 10 files done, 1 in transfer, 2.0 KiB at 0 KiB/s, about 15 s left",
                           "4/10 done, 2.0 KiB at 0 KiB/s, about 15 s left", "4/10 done, about 15 s left"}));
    EXPECT_EQ(ProgressChoices({1, 10, 1, 2048, 8000}, false).last(), "1/10 končanih, 0 KiB/s");
    EXPECT_EQ(BatchEndChoices({3, 1, 0}, true, false),
              (QStringList{"Prenos datotek prekinjen. Shranjenih: 3, neuspešnih: 1.",
                           "Prekinjen. Shranjenih: 3, neuspešnih: 1.", "Shranjenih: 3, neuspešnih: 1."}));

    EXPECT_EQ(TallyText({3, 1, 0}, true), "3 saved, 1 failed");
    EXPECT_EQ(TallyText({3, 1, 0}, false), "Shranjenih: 3, neuspešnih: 1");
    EXPECT_EQ(TallyText({3, 0, 2}, true), "3 saved, 0 failed, 2 skipped");
    EXPECT_EQ(TallyText({0, 0, 7}, false), "Shranjenih: 0, neuspešnih: 0, preskočenih: 7");
    EXPECT_EQ(TallyText({4, 0, 0, 1}, true), "4 saved, 0 failed, 1 stopped");
    EXPECT_EQ(TallyText({4, 1, 2, 3}, false), "Shranjenih: 4, neuspešnih: 1, preskočenih: 2, ustavljenih: 3");
}

}  // namespace
