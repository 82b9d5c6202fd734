// The speed cap's token bucket: what it grants as time passes (a clock the
// test moves), a wait that Cancel ends, two threads that share one rate,
// and a capture through a socket that keeps to it.
#include "net/http_client.h"
#include "net/rate_limiter.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// One step: the clock moves on by advanceMs, then bytes are taken (or
// given back, with a negative count); expected is what Take grants.
struct Step {
    int advanceMs;
    qint64 bytes;
    qint64 expected;
};

struct BucketRow {
    const char *name;
    qint64 rate;
    qint64 burst;
    std::vector<Step> steps;
};

const BucketRow kBucketRows[] = {
    {"StartsFullThenTheRate",
     100000,
     65536,
     {{0, 100000, 65536}, {0, 1000, 0}, {10, 1000, 1000}, {100, 65536, 0}, {100, 65536, 20000}, {10000, 100000, 65536}}},
    {"AQuarterOfTheBurstGathersBeforeALargeRead", 1000, 1000,
     {{0, 5000, 1000}, {100, 100, 100}, {100, 500, 0}, {200, 500, 300}}},
    {"WhatAReadDidNotUseComesBack", 1000, 1000, {{0, 1000, 1000}, {0, -400, 0}, {0, 1000, 400}}},
    {"ATenthOfASecondOfAFastRate", 10 << 20, 1048576, {{0, 65536, 65536}, {0, 2 << 20, 983040}, {50, 1 << 20, 524288}}},
    {"TheMostRate", qint64(1) << 30, 107374182, {{0, 65536, 65536}, {1, 1 << 20, 1 << 20}}},
    {"BelowOneByteASecondIsOne", 0, 1, {{0, 10, 1}, {500, 10, 0}, {500, 10, 1}}},
    {"AboveTheMostIsTheMost", qint64(1) << 40, 107374182, {{0, 65536, 65536}}},
    {"NothingWantedIsNothingTaken", 1000, 1000, {{0, 0, 0}, {0, 1000, 1000}}},
};

class BucketGrants : public ::testing::TestWithParam<BucketRow> {};

TEST_P(BucketGrants, AsTheClockMoves)
{
    const BucketRow &row = GetParam();
    Clock::time_point now{};
    TRateLimiter cap(row.rate, [&now] { return now; });
    EXPECT_EQ(cap.Burst(), row.burst);
    int k = 0;
    for (const Step &step : row.steps) {
        now += std::chrono::milliseconds(step.advanceMs);
        if (step.bytes < 0)
            cap.GiveBack(-step.bytes);
        else
            EXPECT_EQ(cap.Take(step.bytes, 0ms), step.expected) << "step " << k;
        ++k;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BucketGrants, ::testing::ValuesIn(kBucketRows),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace

// A Take that waits for the next byte (a second away at one byte a second)
// ends with nothing: at Cancel, or when its longest wait has passed.
TEST(RateLimiter, AWaitingTakeEndsAtCancelOrItsLongestWait)
{
    const struct {
        const char *name;
        bool cancel;
        TRateLimiter::TWait longest;
        int leastMs, mostMs;
    } cases[] = {
        {"cancel", true, TRateLimiter::kForever, 80, 500},
        {"longest wait", false, 150ms, 140, 500},
    };
    for (const auto &c : cases) {
        TRateLimiter cap(1);
        ASSERT_EQ(cap.Take(1), 1) << c.name;
        std::thread canceler;
        if (c.cancel)
            canceler = std::thread([&cap] {
                std::this_thread::sleep_for(100ms);
                cap.Cancel();
            });
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(cap.Take(1, c.longest), 0) << c.name;
        EXPECT_GE(clock.elapsed(), c.leastMs) << c.name;
        EXPECT_LT(clock.elapsed(), c.mostMs) << c.name;
        if (canceler.joinable())
            canceler.join();
    }
}

// Two readers asking as fast as they can get the rate between them: after
// the first burst, the sum is the rate times the time, within 10%.
TEST(RateLimiter, TwoThreadsShareTheRate)
{
    constexpr qint64 rate = 2 << 20;
    TRateLimiter cap(rate);
    std::atomic<qint64> taken[2] = {0, 0};
    QElapsedTimer clock;
    clock.start();
    const auto reader = [&](int k) {
        while (clock.elapsed() < 1500)
            taken[k] += cap.Take(65536, TRateLimiter::kReadSlice);
    };
    std::thread first(reader, 0), second(reader, 1);
    first.join();
    second.join();
    const double seconds = clock.elapsed() / 1000.0;
    const double sum = double(taken[0] + taken[1] - cap.Burst());
    EXPECT_NEAR(sum, rate * seconds, rate * seconds * 0.1);
    EXPECT_GT(taken[0], rate / 4) << "each reader gets a share";
    EXPECT_GT(taken[1], rate / 4) << "each reader gets a share";
}

// A body read under a cap takes the time the cap says (the first burst
// comes at once), and without one comes at once; the waits do not spin.
TEST(RateLimiter, ACaptureKeepsToTheCap)
{
    FixtureHttpServer server;
    server.Route("/body", FixtureResponse::Ok(QByteArray(300 * 1024, 'b')));
    const struct {
        qint64 rate;  // 0: no cap
        int leastMs, mostMs;
    } cases[] = {
        {200 * 1024, 1060, 1420},  // (300 - 64) KiB at 200 KiB/s: 1.18 s
        {0, 0, 500},
    };
    for (const auto &c : cases) {
        THttpClient http;
        http.TimeOut = 10000;
        if (c.rate > 0)
            http.RateLimiter = std::make_shared<TRateLimiter>(c.rate);
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = ThreadCpuMs();
        http.Get(server.Url("/body"));
        EXPECT_EQ(http.Body.size(), 300 * 1024) << c.rate;
        EXPECT_GE(clock.elapsed(), c.leastMs) << c.rate;
        EXPECT_LT(clock.elapsed(), c.mostMs) << c.rate;
        EXPECT_LT(ThreadCpuMs() - cpuBefore, 300) << "the wait does not spin";
    }
}
