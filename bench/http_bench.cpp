// Drives THttpClient for the benchmarks in run_benchmarks.sh:
//   http_bench throughput <url> <file>   body captured into a file
//   http_bench requests <url> <count>    sequential GETs, one connection each
//   http_bench idle <url>                one GET of a slow answer
// Prints one line of "key=value" figures.
#include "base/errors.h"
#include "net/http_client.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

static double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

static long PeakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

static int Run(const QStringList &args)
{
    const QString mode = args.value(1);
    const QByteArray url = args.value(2).toUtf8();
    THttpClient http;
    http.TimeOut = 30000;
    QElapsedTimer clock;
    if (mode == "throughput") {
        http.InputFileMode = true;
        http.Body = args.value(3).toUtf8();
        clock.start();
        http.Get(url);
        const double seconds = clock.nsecsElapsed() / 1e9;
        std::printf("bytes=%lld seconds=%.3f mbps=%.1f peak_rss_mib=%.1f status=%d\n",
                    qlonglong(http.BytesRecvd), seconds, http.BytesRecvd / seconds / 1e6,
                    PeakRssKiB() / 1024.0, http.ReplyNumber);
        return http.ReplyNumber == 200 ? 0 : 1;
    }
    if (mode == "requests") {
        const int count = args.value(3).toInt();
        int failures = 0;
        clock.start();
        for (int i = 0; i < count; ++i) {
            http.Get(url);
            failures += (http.ReplyNumber == 200 && http.Body.size() == 1024) ? 0 : 1;
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        std::printf("requests=%d failures=%d seconds=%.3f rps=%.0f\n", count, failures, seconds,
                    count / seconds);
        return failures == 0 ? 0 : 1;
    }
    if (mode == "idle") {
        const double before = CpuMs();
        clock.start();
        http.Get(url);
        std::printf("wall_ms=%lld cpu_ms=%.1f status=%d\n", qlonglong(clock.elapsed()),
                    CpuMs() - before, http.ReplyNumber);
        return 0;
    }
    std::fprintf(stderr, "usage: http_bench throughput|requests|idle <url> [file|count]\n");
    return 2;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    try {
        return Run(app.arguments());
    } catch (const Exception &e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
}
