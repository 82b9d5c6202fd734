#include "cli/progress_line.h"

#include <gtest/gtest.h>

namespace {

TBatchProgress Halfway()
{
    TBatchProgress p;
    p.ended = 50;
    p.total = 100;
    p.inTransfer = 2;
    p.bytes = 5 * 1024 * 1024;
    p.elapsedMs = 10000;
    return p;
}

TEST(ProgressLine, TheLongestFormThatLeavesTheLastColumnFree)
{
    const TBatchProgress p = Halfway();
    const QStringList choices = ProgressChoices(p, true);
    ASSERT_GE(choices.size(), 2);
    for (const int columns : {200, int(choices[0].size()) + 1, int(choices[0].size()), 40, 10, 1}) {
        const QString line = TProgressLine::Fitted(p, true, columns);
        EXPECT_LE(line.size(), qMax(1, columns - 1)) << columns;
        EXPECT_FALSE(line.isEmpty()) << columns;
        if (columns > choices[0].size()) {
            EXPECT_EQ(line, choices[0]);
        }
    }
    EXPECT_TRUE(TProgressLine::Fitted(p, true, 200).startsWith("50 of 100 files done, 2 in transfer"));
}

TEST(ProgressLine, IsRedrawnInPlaceAndStepsAsideForOtherLines)
{
    QByteArray written;
    TProgressLine line(true, [&](const QByteArray &bytes) { written += bytes + '|'; }, [] { return 30; });
    line.Suspend();
    line.Resume();
    EXPECT_TRUE(written.isEmpty()) << "nothing shown, nothing to take away";
    line.Show(Halfway());
    const QByteArray drawn = "\r\x1b[K" + TProgressLine::Fitted(Halfway(), true, 30).toUtf8();
    EXPECT_EQ(written, drawn + '|');
    written.clear();
    line.Suspend();
    line.Resume();
    EXPECT_EQ(written, "\r\x1b[K|" + drawn + '|');
    written.clear();
    line.Finish();
    line.Resume();
    EXPECT_EQ(written, QByteArray("\r\x1b[K|"));
}

}  // namespace
