// The TLS layer of a connection against the fixture's TLS server: what
// ALPN offers and what the server's choice reads back as; a chain given
// away by ReleaseChain, driven by its new owner.
#include "net/socket_connection.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"

#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <string>

namespace {

struct AlpnCase {
    const char *name;
    QByteArrayList offered;        // the connection's AlpnProtocols
    QList<QByteArray> accepted;    // the server's, its preferred first
    QByteArray chosen;             // Protocol() after the handshake
    std::vector<QByteArray> seen;  // what the server saw offered
};

const AlpnCase kAlpnCases[] = {
    {"NothingOfferedNoExtension", {}, {"h2", "http/1.1"}, "", {}},
    {"H2Chosen", {"h2", "http/1.1"}, {"h2", "http/1.1"}, "h2", {"h2,http/1.1"}},
    {"Http11ChosenByAServerWithoutH2", {"h2", "http/1.1"}, {"http/1.1"}, "http/1.1", {"h2,http/1.1"}},
    {"NoneChosenByAServerWithoutAlpn", {"h2", "http/1.1"}, {}, "", {"h2,http/1.1"}},
};

void PrintTo(const AlpnCase &c, std::ostream *os) { *os << c.name; }

FixtureTls IdentityAccepting(const QList<QByteArray> &protocols)
{
    FixtureTls identity = TlsIdentity();
    identity.Alpn = protocols;
    return identity;
}

// Waits, as an event-driven owner would, for what the chain wants.
void WaitAsWanted(const TTransport &chain)
{
    if (chain.Want() == TWant::None)
        return;
    pollfd ready{chain.Handle(), short(chain.Want() == TWant::Write ? POLLOUT : POLLIN), 0};
    ASSERT_EQ(::poll(&ready, 1, 10000), 1);
}

void SendThrough(TTransport &chain, QByteArray bytes)
{
    while (!bytes.isEmpty()) {
        const qsizetype n = chain.Send(bytes.constData(), bytes.size(), false);
        if (n > 0)
            bytes.remove(0, n);
        else
            WaitAsWanted(chain);
    }
}

// Up to the peer's end.
QByteArray ReceiveThrough(TTransport &chain)
{
    QByteArray all;
    char block[4096];
    for (qsizetype n; (n = chain.Receive(block, sizeof block)) != 0;) {
        if (n > 0)
            all.append(block, n);
        else
            WaitAsWanted(chain);
    }
    return all;
}

class AlpnTest : public ::testing::TestWithParam<AlpnCase> {
protected:
    AlpnTest()
    {
        conn.Host = "127.0.0.1";
        conn.Port = server.Port();
        conn.TimeOut = 10000;
        conn.AlpnProtocols = GetParam().offered;
    }

    ScopedTrustedCa trusted{SharedCertificates().CaFile()};
    FixtureHttpServer server{IdentityAccepting(GetParam().accepted)};
    TSocketConnection conn;
};

}  // namespace

TEST_P(AlpnTest, TheServerSeesWhatIsOfferedAndItsChoiceReadsBack)
{
    const AlpnCase &c = GetParam();
    conn.Connect();
    conn.StartTls("127.0.0.1");
    EXPECT_EQ(conn.Protocol(), c.chosen);
    // The session works whatever was chosen.
    conn.Write("GET /ok HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(conn.ReadLn().startsWith("HTTP/1.0 200"));
    EXPECT_EQ(server.HandshakeCount(), 1);
    EXPECT_EQ(server.AlpnOffers(), c.seen);
    conn.Disconnect();
    EXPECT_EQ(conn.Protocol(), "") << "the close ends what TLS learnt";
}

INSTANTIATE_TEST_SUITE_P(Cases, AlpnTest, ::testing::ValuesIn(kAlpnCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ReleaseChainTest, TheReleasedChainCarriesBytesAndTheConnectionConnectsAgain)
{
    ScopedTrustedCa trusted{SharedCertificates().CaFile()};
    FixtureHttpServer server{IdentityAccepting({"http/1.1"})};
    TSocketConnection conn;
    conn.Host = "127.0.0.1";
    conn.Port = server.Port();
    conn.TimeOut = 10000;
    conn.AlpnProtocols = {"h2", "http/1.1"};
    int events = 0;
    conn.OnDisconnect = [&](TSocketConnection *) { ++events; };
    conn.OnConnect = [&](TSocketConnection *) { ++events; };
    EXPECT_EQ(conn.ReleaseChain(), nullptr) << "nothing open to give away";
    conn.Connect();
    conn.StartTls("127.0.0.1");
    events = 0;

    std::unique_ptr<TTransport> chain = conn.ReleaseChain();
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(events, 0);
    EXPECT_FALSE(conn.Connected);
    EXPECT_FALSE(conn.Secure());
    EXPECT_EQ(conn.Protocol(), "");
    EXPECT_GE(conn.SocketHandle, 0);
    EXPECT_NE(conn.SocketHandle, chain->Handle()) << "a fresh socket of its own";
    EXPECT_EQ(chain->Protocol(), "http/1.1");
    SendThrough(*chain, "GET /ok HTTP/1.0\r\n\r\n");
    const QByteArray answer = ReceiveThrough(*chain);
    EXPECT_TRUE(answer.startsWith("HTTP/1.0 200")) << answer.toStdString();
    EXPECT_TRUE(answer.endsWith("Hello, world\n")) << answer.toStdString();
    EXPECT_FALSE(chain->UncleanEnd()) << "the server said goodbye";
    chain->Close(true);
    EXPECT_EQ(chain->Handle(), -1);

    // Connects again; with bytes held the chain is not given away.
    conn.Connect();
    conn.StartTls("127.0.0.1");
    conn.Write("GET /ok HTTP/1.0\r\n\r\n");
    // The status line's receive brought the header lines after it too.
    EXPECT_TRUE(conn.ReadLn().startsWith("HTTP/1.0 200"));
    EXPECT_EQ(conn.ReleaseChain(), nullptr);
    EXPECT_TRUE(conn.Connected);
    EXPECT_TRUE(conn.ReadLn().endsWith("\r\n")) << "the next header line, still there";
    EXPECT_EQ(server.HandshakeCount(), 2);
}
