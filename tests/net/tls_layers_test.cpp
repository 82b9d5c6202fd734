// The TLS layer of a connection against the fixture's TLS server: what
// ALPN offers and what the server's choice reads back as.
#include "net/socket_connection.h"
#include "tests/net/net_test_support.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"

#include <gtest/gtest.h>
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
