// Polite waiting in a batch: how long a busy server (429 or 503 with
// Retry-After) asks to be left alone, and the least time between the
// starts of two requests to one host (the "wait" setting).
#pragma once

#include "net/http_worker.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

// The times one file may wait for a busy server before it fails as any
// other error answer does; these waits spend none of its attempts.
inline constexpr int kMostBusyWaits = 3;

// The seconds a 429 or 503 answer asks to wait (Retry-After, at most
// kMostRetryAfter) at Unix time now; nothing for any other answer, or one
// without a Retry-After that can be read.
std::optional<int> BusyWaitOf(const TTransferResult &result, qint64 now);

// "Server busy, waiting 30 s: a.jpg", or the Slovene line.
QString BusyWaitText(int seconds, const QString &file, bool english);

// The starts of the requests to each host: how long the next one to a
// host must still wait so that starts lie at least the least gap apart.
class THostPacer {
public:
    // Milliseconds still to wait at clock time nowMs for a gap of gapMs
    // since the last start to host; 0 at once.
    qint64 WaitFor(const QByteArray &host, qint64 nowMs, qint64 gapMs) const;
    void Started(const QByteArray &host, qint64 nowMs);

private:
    QHash<QByteArray, qint64> lastStart_;
};
