// Helpers of the net tests: those of every suite, CPU time, saved files and
// the test certificates.
#pragma once

#include "tests/support/fixture_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_helpers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <sys/resource.h>

// CPU time (user + system) of the calling thread, in milliseconds.
inline double ThreadCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// The bytes of the file at path (a QString or UTF-8), or kNoFile when it
// cannot be read.
inline const QByteArray kNoFile = "<no file>";
inline QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : kNoFile;
}
inline QByteArray FileBytes(const QByteArray &path) { return FileBytes(QString::fromUtf8(path)); }

// Pumps the test thread's events until done() or timeoutMs; done() at the end.
template <class F>
bool PumpUntil(F done, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// One set of test certificates for the whole program: making them is the slow part.
inline const TestCertificates &SharedCertificates()
{
    static const TestCertificates certificates;
    return certificates;
}

// A TLS fixture server's certificate and key, of the given kind.
inline FixtureTls TlsIdentity(TestLeaf leaf = TestLeaf::Good)
{
    return FixtureTls{SharedCertificates().CertFile(leaf), SharedCertificates().KeyFile(leaf)};
}
