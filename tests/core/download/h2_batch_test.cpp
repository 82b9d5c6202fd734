// A batch whose files are on an https server speaking HTTP/2, on the real
// clients: what the server does to the streams -> what became of each
// file, how many connections it took, and that no part file stays.
#include "net/h2_worker.h"
#include "tests/core/download/real_batch.h"
#include "tests/support/fixture_h2_tls_server.h"
#include "tests/support/test_certificates.h"

#include <QTimer>

#include <functional>
#include <ostream>

namespace {

struct H2BatchCase {
    const char *name;
    TH2ServerOptions options;
    std::map<QByteArray, TH2Reply> odd;  // answers other than the picture's own name
    bool stopWhenHeld;                   // Stop once the held stream has begun
    int saved, failed, stopped;
    int leastConnections, mostConnections;
};

void PrintTo(const H2BatchCase &c, std::ostream *os)
{
    *os << c.name;
}

TH2Reply Answer(const QByteArray &body)
{
    TH2Reply reply;
    reply.Fields = {{"content-length", QByteArray::number(body.size())}};
    reply.Body = {body};
    return reply;
}

TH2Reply ResetInstead()
{
    TH2Reply reply;
    reply.ResetInstead = 2;  // INTERNAL_ERROR
    return reply;
}

TH2Reply Held()
{
    TH2Reply reply;
    reply.Body = {"the first part"};
    reply.Hold = true;
    return reply;
}

const H2BatchCase kCases[] = {
    {"AllOnOneConnection", {}, {}, false, 8, 0, 0, 1, 1},
    // The server goes away after three requests on each connection: the
    // streams above its last one are asked again on a new connection.
    {"GoAwayMidBatch", {100, 3}, {}, false, 8, 0, 0, 3, 5},
    // A stream the server always resets fails after its attempts, alone,
    // on the one connection.
    {"AResetStreamFailsAlone", {}, {{"/p/f3.jpg", ResetInstead()}}, false, 7, 1, 0, 1, 1},
    // Stop ends the held stream as stopped; the others are saved.
    {"StopMidStream", {}, {{"/p/f5.jpg", Held()}}, true, 7, 0, 1, 1, 1},
};

class H2Batch : public RealBatchTest<H2BatchCase> {
protected:
    TestCertificates certificates;
    ScopedTrustedCa trusted{certificates.CaFile()};
};

TEST_P(H2Batch, EachFileEndsAsTheServerSays)
{
    const H2BatchCase &c = GetParam();
    TFixtureH2TlsServer h2(FixtureTls{certificates.CertFile(TestLeaf::Good), certificates.KeyFile(TestLeaf::Good)},
                           c.options, [&c](TFixtureH2Server &s) {
                               for (int i = 0; i < 8; ++i) {
                                   const QByteArray path = "/p/f" + QByteArray::number(i) + ".jpg";
                                   s.Answer(path, c.odd.count(path) ? c.odd.at(path) : Answer("picture " + path));
                               }
                           });
    QList<QByteArray> addresses;
    for (int i = 0; i < 8; ++i)
        addresses.append(h2.Url("/p/f" + QByteArray::number(i) + ".jpg"));
    if (c.stopWhenHeld) {
        QTimer::singleShot(300, &runner, [this] { runner.Stop(); });
    }
    files.KeepAlive = true;
    TSettingsValues settings;
    settings.keepAlive = true;
    settings.parallel = 2;
    const TBatchEnd end = RunBatch(addresses, settings);
    EXPECT_EQ(end.tally.saved, c.saved);
    EXPECT_EQ(end.tally.failed, c.failed);
    EXPECT_EQ(end.tally.stopped, c.stopped);
    EXPECT_EQ(end.interrupted, c.stopWhenHeld);
    EXPECT_GE(h2.Connections(), c.leastConnections);
    EXPECT_LE(h2.Connections(), c.mostConnections);
    QStringList saved = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(saved.size(), c.saved) << saved.join(' ').toStdString() << " (no part file stays)";
    QFile one(folder + "/f0.jpg");
    EXPECT_TRUE(one.open(QIODevice::ReadOnly));
    EXPECT_EQ(one.readAll(), QByteArray("picture /p/f0.jpg"));
}

INSTANTIATE_TEST_SUITE_P(Streams, H2Batch, ::testing::ValuesIn(kCases), ::testing::PrintToStringParamName());

}  // namespace
