#include "tests/support/test_certificates.h"

#include <QDir>
#include <QFile>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr long kHour = 3600;
constexpr long kDay = 24 * kHour;

struct KeyFree {
    void operator()(EVP_PKEY *key) const { EVP_PKEY_free(key); }
};
struct CertFree {
    void operator()(X509 *cert) const { X509_free(cert); }
};
struct BioFree {
    void operator()(BIO *bio) const { BIO_free(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

// Raises what failed with OpenSSL's queued reasons, and empties the queue.
[[noreturn]] void Fail(const char *what)
{
    std::string message = std::string("test certificates: ") + what;
    while (const unsigned long code = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        message += std::string("; ") + text;
    }
    throw std::runtime_error(message);
}

void Check(bool ok, const char *what)
{
    if (!ok)
        Fail(what);
}

Key NewKey()
{
    Key key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "EC key generation");
    return key;
}

struct CertificateText {
    const char *CommonName;
    const char *AltNames;  // subjectAltName value; null for the authority
    long NotBefore;        // seconds from now
    long NotAfter;
    long Serial;
    bool Authority;
};

void AddExtension(X509 *cert, X509V3_CTX *context, int nid, const char *value)
{
    X509_EXTENSION *extension = X509V3_EXT_conf_nid(nullptr, context, nid, value);
    Check(extension != nullptr, "extension");
    const bool added = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    Check(added, "adding an extension");
}

// A certificate for key, signed by issuerKey under issuer's name; a null
// issuer makes it self-signed (issuerKey is then key).
Cert MakeCertificate(const CertificateText &text, EVP_PKEY *key, X509 *issuer, EVP_PKEY *issuerKey)
{
    Cert cert(X509_new());
    Check(cert != nullptr, "X509_new");
    X509 *x = cert.get();
    Check(X509_set_version(x, X509_VERSION_3) == 1
              && ASN1_INTEGER_set_int64(X509_get_serialNumber(x), text.Serial) == 1
              && X509_gmtime_adj(X509_getm_notBefore(x), text.NotBefore) != nullptr
              && X509_gmtime_adj(X509_getm_notAfter(x), text.NotAfter) != nullptr
              && X509_set_pubkey(x, key) == 1,
          "certificate fields");
    X509_NAME *name = X509_get_subject_name(x);
    const auto entry = [name](const char *field, const char *value) {
        return X509_NAME_add_entry_by_txt(name, field, MBSTRING_ASC,
                                          reinterpret_cast<const unsigned char *>(value), -1, -1,
                                          0) == 1;
    };
    Check(entry("O", "Grabulo tests") && entry("CN", text.CommonName), "subject name");
    Check(X509_set_issuer_name(x, issuer ? X509_get_subject_name(issuer) : name) == 1,
          "issuer name");

    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer ? issuer : x, x, nullptr, nullptr, 0);
    if (text.Authority) {
        AddExtension(x, &context, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(x, &context, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(x, &context, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(x, &context, NID_key_usage, "critical,digitalSignature");
        AddExtension(x, &context, NID_ext_key_usage, "serverAuth");
        AddExtension(x, &context, NID_subject_alt_name, text.AltNames);
    }
    // The key identifier first: a self-signed certificate's authority key
    // identifier is taken from it.
    AddExtension(x, &context, NID_subject_key_identifier, "hash");
    AddExtension(x, &context, NID_authority_key_identifier, "keyid:always");
    Check(X509_sign(x, issuerKey, EVP_sha256()) > 0, "signing");
    return cert;
}

void WriteCertificate(const QString &path, X509 *cert)
{
    std::unique_ptr<BIO, BioFree> out(BIO_new_file(QFile::encodeName(path).constData(), "w"));
    Check(out && PEM_write_bio_X509(out.get(), cert) == 1, "writing a certificate");
}

void WriteKey(const QString &path, EVP_PKEY *key)
{
    std::unique_ptr<BIO, BioFree> out(BIO_new_file(QFile::encodeName(path).constData(), "w"));
    Check(out
              && PEM_write_bio_PrivateKey(out.get(), key, nullptr, nullptr, 0, nullptr, nullptr)
                     == 1,
          "writing a key");
}

const char *BaseName(TestLeaf leaf)
{
    switch (leaf) {
    case TestLeaf::Good:
        return "good";
    case TestLeaf::WrongHost:
        return "wrong-host";
    case TestLeaf::Expired:
        return "expired";
    case TestLeaf::SelfSigned:
        return "self-signed";
    }
    return "unknown";
}

void SaveVariable(const char *name, bool &wasSet, QByteArray &value)
{
    wasSet = qEnvironmentVariableIsSet(name);
    value = qgetenv(name);
}

void RestoreVariable(const char *name, bool wasSet, const QByteArray &value)
{
    if (wasSet)
        qputenv(name, value);
    else
        qunsetenv(name);
}

}  // namespace

TestCertificates::TestCertificates()
    : folder_(QDir::tempPath() + "/grabulo-certificates-XXXXXX")
{
    if (!folder_.isValid())
        throw std::runtime_error("test certificates: no temporary folder");
    const QString dir = folder_.path() + "/";

    const Key caKey = NewKey();
    const Cert ca = MakeCertificate({"Grabulo Test CA", nullptr, -60 * kDay, 365 * kDay, 1, true},
                                    caKey.get(), nullptr, caKey.get());
    WriteCertificate(dir + "ca.pem", ca.get());
    WriteKey(dir + "ca-key.pem", caKey.get());

    const char *goodNames = "IP:127.0.0.1,DNS:localhost";
    struct LeafText {
        TestLeaf Leaf;
        CertificateText Text;
    };
    const LeafText leaves[] = {
        {TestLeaf::Good, {"localhost", goodNames, -kHour, -kHour + 30 * kDay, 2, false}},
        {TestLeaf::WrongHost,
         {"other.example", "DNS:other.example", -kHour, -kHour + 30 * kDay, 3, false}},
        {TestLeaf::Expired, {"localhost", goodNames, -30 * kDay, -kDay, 4, false}},
        {TestLeaf::SelfSigned, {"localhost", goodNames, -kHour, -kHour + 30 * kDay, 5, false}},
    };
    for (const LeafText &leaf : leaves) {
        const Key key = NewKey();
        const bool selfSigned = leaf.Leaf == TestLeaf::SelfSigned;
        const Cert cert = MakeCertificate(leaf.Text, key.get(), selfSigned ? nullptr : ca.get(),
                                          selfSigned ? key.get() : caKey.get());
        WriteCertificate(QFile::decodeName(CertFile(leaf.Leaf)), cert.get());
        WriteKey(QFile::decodeName(KeyFile(leaf.Leaf)), key.get());
    }
}

TestCertificates::~TestCertificates() = default;

QByteArray TestCertificates::Folder() const { return QFile::encodeName(folder_.path()); }

QByteArray TestCertificates::CaFile() const { return Folder() + "/ca.pem"; }

QByteArray TestCertificates::CertFile(TestLeaf leaf) const
{
    return Folder() + "/" + BaseName(leaf) + ".pem";
}

QByteArray TestCertificates::KeyFile(TestLeaf leaf) const
{
    return Folder() + "/" + BaseName(leaf) + "-key.pem";
}

ScopedTrustedCa::ScopedTrustedCa(const QByteArray &caFile)
    : emptyFolder_(QDir::tempPath() + "/grabulo-no-certificates-XXXXXX")
{
    if (!emptyFolder_.isValid())
        throw std::runtime_error("trusted authority: no temporary folder");
    SaveVariable("SSL_CERT_FILE", file_.WasSet, file_.Value);
    SaveVariable("SSL_CERT_DIR", dir_.WasSet, dir_.Value);
    qputenv("SSL_CERT_FILE", caFile);
    qputenv("SSL_CERT_DIR", EmptyFolder());
}

ScopedTrustedCa::~ScopedTrustedCa()
{
    RestoreVariable("SSL_CERT_FILE", file_.WasSet, file_.Value);
    RestoreVariable("SSL_CERT_DIR", dir_.WasSet, dir_.Value);
}

QByteArray ScopedTrustedCa::EmptyFolder() const { return QFile::encodeName(emptyFolder_.path()); }
