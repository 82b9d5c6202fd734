// Certificates for the TLS tests, made afresh by every TestCertificates in
// its own temporary folder (removed with it) with OpenSSL's C interface: a
// test certificate authority and server certificates of every kind a
// client must accept or reject. All keys are EC P-256, all files PEM.
//
//   TestCertificates certificates;
//   ScopedTrustedCa trusted(certificates.CaFile());  // the only trusted root
//   FixtureHttpServer server(FixtureTls{certificates.CertFile(TestLeaf::Good),
//                                       certificates.KeyFile(TestLeaf::Good)});
//   client.Get(server.Url("/ok"));                     // https://127.0.0.1:<port>/ok
//
// The authority: CN "Grabulo Test CA", self-signed, CA:TRUE (critical),
// keyCertSign and cRLSign (critical), valid from 60 days ago for 425 days.
// Server certificates, each with its own key, none carrying the authority
// in its file:
//   Good        CN localhost, SAN IP:127.0.0.1 and DNS:localhost, valid from
//               an hour ago for 30 days, serverAuth, signed by the authority
//   WrongHost   CN other.example, SAN DNS:other.example only, otherwise Good
//   Expired     the names of Good, valid from 30 days ago to 1 day ago,
//               signed by the authority
//   SelfSigned  the names and times of Good, signed by its own key
#pragma once

#include <QByteArray>
#include <QTemporaryDir>

enum class TestLeaf { Good, WrongHost, Expired, SelfSigned };

class TestCertificates {
public:
    TestCertificates();  // throws std::runtime_error when OpenSSL fails
    ~TestCertificates();
    TestCertificates(const TestCertificates &) = delete;
    TestCertificates &operator=(const TestCertificates &) = delete;

    QByteArray Folder() const;             // the temporary folder holding every file
    QByteArray CaFile() const;             // the authority's certificate
    QByteArray CertFile(TestLeaf) const;   // the server certificate alone
    QByteArray KeyFile(TestLeaf) const;    // its private key (PKCS#8, unencrypted)

private:
    QTemporaryDir folder_;
};

// For its lifetime, OpenSSL's default trust store is caFile alone:
// SSL_CERT_FILE names it and SSL_CERT_DIR names an empty temporary folder,
// so the system's authorities are not consulted by a client that loads the
// default paths (SSL_CTX_set_default_verify_paths reads both variables
// each time it is called). The previous values come back afterwards, or
// the variables are unset when they were unset. The environment is
// process-wide: make and destroy it on the test's thread while no other
// thread reads the environment.
class ScopedTrustedCa {
public:
    explicit ScopedTrustedCa(const QByteArray &caFile);
    ~ScopedTrustedCa();
    ScopedTrustedCa(const ScopedTrustedCa &) = delete;
    ScopedTrustedCa &operator=(const ScopedTrustedCa &) = delete;

    QByteArray EmptyFolder() const;  // what SSL_CERT_DIR names meanwhile

private:
    struct Saved {
        bool WasSet = false;
        QByteArray Value;
    };
    Saved file_, dir_;
    QTemporaryDir emptyFolder_;
};
