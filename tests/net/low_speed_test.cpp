// The low-speed limit: an answer that brings fewer than 1,024 bytes in
// LowSpeedTime seconds is broken off, in its header or its body, whether
// bytes trickle in or none come, and a fast answer is never touched.
#include "net/address_errors.h"
#include "net/http_client.h"
#include "net/tls_errors.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

TEST(LowSpeedLimit, ASlowAnswerIsBrokenOffAfterItsSecondsAndAFastOneIsNot)
{
    FixtureHttpServer server;
    FixtureResponse trickle = FixtureResponse::Ok(QByteArray(100, 't'));
    trickle.TrickleMs = 100;  // 10 bytes a second from the status line on
    server.Route("/trickle", trickle);
    FixtureResponse stall = FixtureResponse::Ok(QByteArray(5000, 's'));
    stall.StallAfter = 500;  // the header and part of the body, then nothing
    server.Route("/stall-in-body", stall);
    server.Route("/fast", FixtureResponse::Ok(QByteArray(3 << 20, 'f')));
    const struct {
        QByteArray path;
        bool keepAlive;
        bool broken;
    } cases[] = {
        {"/trickle", false, true}, {"/trickle", true, true}, {"/stall-in-body", false, true},
        {"/fast", false, false},   {"/fast", true, false},
    };
    for (const auto &c : cases) {
        THttpClient http;
        http.TimeOut = 10000;  // never reached: it bounds silence only
        http.LowSpeedTime = 1;
        http.KeepAlive = c.keepAlive;
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = ThreadCpuMs();
        QString failure;
        bool brokenOff = false;
        try {
            http.Get(server.Url(c.path));
        } catch (const ESockError &e) {
            failure = e.Message();
            brokenOff = IsBrokenOff(e);
        }
        const qint64 took = clock.elapsed();
        if (!c.broken) {
            EXPECT_EQ(failure, QString()) << c.path.constData();
            EXPECT_EQ(http.Body.size(), 3 << 20);
            continue;
        }
        EXPECT_EQ(failure, "Fewer than 1024 bytes in 1 s") << c.path.constData();
        EXPECT_TRUE(brokenOff);
        EXPECT_FALSE(http.TimedOut);
        EXPECT_FALSE(http.Connected);
        EXPECT_GE(took, 900) << c.path.constData();
        EXPECT_LT(took, 2500) << c.path.constData();
        EXPECT_LT(ThreadCpuMs() - cpuBefore, 300) << "the wait does not spin";
    }
}
