// The speed cap ("ratelimit") of a batch against the fixture server: the
// files in transfer share one cap, so the batch takes the time the cap
// says, and the bytes of every 2 s window once it runs keep within 10% of
// it, whether one file at a time goes on the file client or several at
// once on worker threads.
#include "net/rate_limiter.h"
#include "tests/core/download/real_batch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct CapCase {
    const char *name;
    int parallel;
    int files;
    qint64 fileKiB;
    qint32 capKiB;
    qint64 expectedMs;  // the whole batch
};

void PrintTo(const CapCase &c, std::ostream *out) { *out << c.name; }

// (time, bytes) samples of the batch's progress; the bytes at any time
// between two samples are read off the line between them.
using Samples = std::vector<std::pair<qint64, qint64>>;

double BytesAt(const Samples &samples, qint64 ms)
{
    for (size_t i = 1; i < samples.size(); ++i) {
        const auto [t0, b0] = samples[i - 1];
        const auto [t1, b1] = samples[i];
        if (ms <= t1)
            return t1 == t0 ? double(b1) : double(b0) + double(b1 - b0) * double(ms - t0) / double(t1 - t0);
    }
    return samples.empty() ? 0 : double(samples.back().second);
}

using SpeedCapBatch = RealBatchTest<CapCase>;

TEST_P(SpeedCapBatch, TakesTheTimeTheCapSaysAndKeepsToItInEveryTwoSeconds)
{
    const CapCase &c = GetParam();
    QList<QByteArray> addresses;
    for (int k = 0; k < c.files; ++k) {
        const QByteArray path = "/" + QByteArray::number(k) + ".jpg";
        server.Route(path, FixtureResponse::Ok(QByteArray(c.fileKiB * 1024, char('a' + k)), "image/jpeg"));
        addresses.append(server.Url(path));
    }
    TSettingsValues settings;
    settings.parallel = c.parallel;
    settings.rateLimit = c.capKiB;
    QElapsedTimer clock;
    Samples samples;
    QObject::connect(&runner, &TBatchRunner::Progress, [&](const TBatchProgress &p) {
        samples.emplace_back(clock.elapsed(), p.bytes);
    });
    clock.start();
    const TBatchEnd end = RunBatch(addresses, settings);
    const qint64 took = clock.elapsed();

    EXPECT_EQ(end.tally.saved, c.files);
    EXPECT_EQ(QFileInfo(folder + "/0.jpg").size(), c.fileKiB * 1024);
    EXPECT_NEAR(double(took), double(c.expectedMs), c.expectedMs * 0.1);
    EXPECT_FALSE(files.RateLimiter) << "the cap ends with the batch";
    // Every 2 s window from the first second on, while the bytes still come.
    const double perWindow = 2.0 * c.capKiB * 1024;
    int windows = 0;
    for (qint64 from = 1000; from + 2000 <= took - 250; from += 500, ++windows)
        EXPECT_NEAR(BytesAt(samples, from + 2000) - BytesAt(samples, from), perWindow, perWindow * 0.1)
            << "the window from " << from << " ms";
    EXPECT_GE(windows, 1);
}

// 2 x 600 KiB at 200 KiB/s: 6 s; one at a time, 2 x 400 KiB: the first
// 64 KiB (the burst) at once, the rest in 3.7 s.
const CapCase kCases[] = {
    {"two at once share the cap", 2, 2, 600, 200, 6000},
    {"one at a time on the file client", 1, 2, 400, 200, 3700},
};

INSTANTIATE_TEST_SUITE_P(Batches, SpeedCapBatch, ::testing::ValuesIn(kCases));

// Stop, or Disconnect, ends transfers that the cap holds back at once, on
// worker threads and on the file client alike.
TEST_F(SpeedCapBatch, StopEndsTransfersTheCapHoldsBack)
{
    for (const char *path : {"/a.jpg", "/b.jpg"})
        server.Route(path, FixtureResponse::Ok(QByteArray(4 << 20, 'x'), "image/jpeg"));
    const struct {
        int parallel;
        bool disconnect;
    } cases[] = {{2, false}, {1, false}, {2, true}, {1, true}};
    for (const auto &c : cases) {
        TSettingsValues settings;
        settings.parallel = c.parallel;
        settings.rateLimit = 1;  // 1 KiB/s: each file would take an hour
        // Stop lets the batch go on with its next file: every file is in transfer.
        QList<QByteArray> addresses{server.Url("/a.jpg"), server.Url("/b.jpg")};
        addresses.resize(c.parallel);
        QTimer::singleShot(500, &runner, [this, &c] { c.disconnect ? runner.Disconnect() : runner.Stop(); });
        QElapsedTimer clock;
        clock.start();
        const TBatchEnd end = RunBatch(addresses, settings);
        EXPECT_TRUE(end.interrupted) << c.parallel << c.disconnect;
        EXPECT_EQ(end.tally.saved, 0) << c.parallel << c.disconnect;
        EXPECT_GE(clock.elapsed(), 450) << c.parallel << c.disconnect;
        EXPECT_LT(clock.elapsed(), 1500) << c.parallel << c.disconnect;
    }
}

}  // namespace
