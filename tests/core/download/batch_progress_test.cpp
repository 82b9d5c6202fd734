// The time left and the total progress of a batch, computed from the
// progress the runner reports: each row a moment of a batch -> the text.
#include "core/download/batch_progress.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 kMiB = 1024 * 1024;

struct TimeLeftCase {
    const char *name;
    TBatchProgress progress;  // ended, total, inTransfer, bytes, ms, skipped, bytesSaved, bytesDue, sizeUnknown
    const char *english;
    const char *slovene;
};

const TimeLeftCase kTimeLeft[] = {
    {"only files passed over: no pace yet", {3, 10, 1, 50, 60000, 3, 0, 0, 1}, "", ""},
    {"under three seconds", {2, 10, 1, 2000, 2999, 0, 2000, 0, 1}, "", ""},
    {"nothing left", {10, 10, 0, 10000, 60000, 2, 8000, 0, 0}, "", ""},
    {"no bytes at all", {2, 10, 1, 0, 5000, 0, 0, 0, 1}, "", ""},
    {"only empty files saved: no mean size", {2, 10, 1, 500, 5000, 0, 0, 0, 1}, "", ""},
    // 4 x 1000 B in 8 s; 5 waiting and one running of unknown size, half done on the mean.
    {"steady files", {4, 10, 1, 4000, 8000, 0, 4000, 0, 1}, "about 15 s left", "še približno 15 s"},
    // 32 passed over as saved in no time, 2 x 1 MiB in 4 s: 66 MiB to come at 0.5 MiB/s.
    // Counting the passed-over files into the pace said "about 10 s".
    {"files passed over do not speed the pace", {34, 100, 0, 2 * kMiB, 4000, 32, 2 * kMiB, 0, 0},
     "about 2 min left", "še približno 2 min"},
    // 5 answered 404 at once (100 B each), 1 x 100000 B; 4 waiting.
    {"files failed at once do not shorten the work", {6, 10, 0, 100500, 10000, 5, 100000, 0, 0},
     "about 40 s left", "še približno 40 s"},
    // The last file runs, its size known: 8000 B still to come at 1000 B/s.
    {"the known size of the running file", {2, 3, 1, 4000, 4000, 0, 2000, 8000, 0}, "about 10 s left",
     "še približno 10 s"},
    // 1 x 50 MiB in 10 s, the last (also 50 MiB) just started, its size known.
    {"one big file left", {1, 2, 1, 50 * kMiB, 10000, 0, 50 * kMiB, 50 * kMiB, 0}, "about 10 s left",
     "še približno 10 s"},
    // Two slots, sizes unknown: 3 x 10 MiB in 30 s (1 MiB/s) and 2 running with 4 MiB between them.
    {"several at once", {3, 20, 2, 34 * kMiB, 34000, 0, 30 * kMiB, 0, 2}, "about 3 min left",
     "še približno 3 min"},
};

class TimeLeft : public ::testing::TestWithParam<TimeLeftCase> {};

TEST_P(TimeLeft, ComesFromTheBytesStillToComeAtTheMeasuredRate)
{
    const TimeLeftCase &c = GetParam();
    EXPECT_EQ(TimeLeftText(SecondsLeft(c.progress), true), QString::fromUtf8(c.english));
    EXPECT_EQ(TimeLeftText(SecondsLeft(c.progress), false), QString::fromUtf8(c.slovene));
}

INSTANTIATE_TEST_SUITE_P(Moments, TimeLeft, ::testing::ValuesIn(kTimeLeft),
                         [](const auto &info) { return "case" + std::to_string(info.index); });

// A batch followed through its progress events: the time left keeps near
// the truth however many files are passed over at its start.
TEST(TimeLeftSequence, StaysNearTheRealTimeWhileSavedFilesArePassedOver)
{
    // 60 files: the first 30 already saved (passed over at 1 ms each), then
    // 30 x 100 KiB at 100 KiB/s, one at a time.
    TBatchProgress progress{0, 60, 0, 0, 0};
    for (int i = 0; i < 30; ++i) {
        ++progress.ended;
        ++progress.skipped;
        progress.elapsedMs += 1;
    }
    EXPECT_EQ(SecondsLeft(progress), -1) << "nothing transferred yet";
    for (int file = 0; file < 30; ++file) {
        progress.inTransfer = 1;
        for (int quarter = 1; quarter <= 4; ++quarter) {
            progress.elapsedMs += 250;
            progress.bytes += 25 * 1024;
            progress.bytesDue = 100 * 1024 - quarter * 25 * 1024;
            const qint64 left = SecondsLeft(progress);
            if (left < 0)
                continue;
            // The truth: what is left of this file and the files after it.
            const double truth = (30 - file - 1) + (4 - quarter) / 4.0;
            SCOPED_TRACE(testing::Message() << "file " << file << " quarter " << quarter);
            EXPECT_NEAR(double(left), truth, 1.0 + truth * 0.02);
        }
        progress.inTransfer = 0;
        progress.bytesDue = 0;
        ++progress.ended;
        progress.bytesSaved += 100 * 1024;
    }
    EXPECT_EQ(SecondsLeft(progress), -1) << "done";
}

struct TotalCase {
    TBatchProgress progress;
    const char *english;
    const char *slovene;
};

const TotalCase kTotals[] = {
    {{0, 40, 1, 0, 0, 0, 0, 0, 1}, "0/40 files, 0 B", "0/40 datotek, 0 B"},
    {{12, 40, 2, 1887436, 9000, 3, 1500000, 5000, 1}, "12/40 files, 1.8 MiB", "12/40 datotek, 1,8 MiB"},
    // Everything left is in transfer with its size known: the whole is known.
    {{39, 40, 1, 2 * kMiB, 9000, 0, kMiB, kMiB, 0}, "39/40 files, 2.0 MiB of 3.0 MiB",
     "39/40 datotek, 2,0 MiB od 3,0 MiB"},
    {{40, 40, 0, 3 * kMiB, 9000, 0, 3 * kMiB, 0, 0}, "40/40 files, 3.0 MiB", "40/40 datotek, 3,0 MiB"},
};

TEST(TotalProgress, SaysTheFilesAndTheBytesAndTheWholeOnceItIsKnown)
{
    for (const TotalCase &c : kTotals) {
        EXPECT_EQ(TotalProgressText(c.progress, true), QString::fromUtf8(c.english));
        EXPECT_EQ(TotalProgressText(c.progress, false), QString::fromUtf8(c.slovene));
    }
}

// A busy server's wait takes the time left's place, in both languages.
TEST(TotalProgress, AWaitForABusyServerTakesThePlaceOfTheTimeLeft)
{
    TBatchProgress p{4, 10, 1, 2048, 8000, 0, 2048, 0, 1};
    EXPECT_EQ(OutlookText(p, true), "about 15 s left");
    p.busyWaitS = 30;
    EXPECT_EQ(ProgressSentence(p, true), "4 of 10 files done, 1 in transfer, 2.0 KiB at 0 KiB/s, "
                                         "waiting 30 s for a busy server");
    EXPECT_EQ(ProgressChoices(p, false).last(), "4/10 končanih, čakam 30 s na zaseden strežnik");
}

}  // namespace
