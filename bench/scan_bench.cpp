// The link scan of a 20 MB page with 100,000 links: from page text to the
// resolved list without repeats (the pure pass), the same with the modern
// page scan (the HTML tokenizer), and from page text to the filled List2 and
// Label10 of the real window (the window pass), against `grep -o` of the
// same links as the floor.
// Usage: scan_bench [megabytes] [links] [runs]
#include "bench/scan_bench_support.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    // The window is shown on the offscreen platform unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype megabytes = args.size() > 1 ? args.at(1).toLongLong() : 20;
    const qsizetype linkCount = args.size() > 2 ? args.at(2).toLongLong() : 100000;
    const int runs = args.size() > 3 ? args.at(3).toInt() : 5;
    if (megabytes <= 0 || linkCount <= 0 || runs <= 0) {
        std::fprintf(stderr, "usage: scan_bench [megabytes] [links] [runs]\n");
        return 2;
    }

    const LinkPage page = GenerateLinkPage(megabytes * 1000 * 1000, linkCount);
    QTemporaryDir dir;
    const QString file = dir.filePath("page.html");
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(page.text) != page.text.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    out.close();

    const ScanTiming scan = TimePureScan(page, runs);
    const ScanTiming modern = TimeModernScan(page, runs);
    const QByteArray pageAddress = page.location.host + '/' + page.location.path + "index.html";
    const WindowTiming window = TimeWindowPageLoad(page, pageAddress, runs);
    qsizetype grepMatches = 0;
    const double grepMs = TimeGrepExtraction(file, runs, grepMatches);

    std::printf("page: %.1f MB, %lld links, %lld distinct admitted\n", page.text.size() / 1e6,
                (long long)page.links, (long long)page.distinctAdmitted);
    std::printf("scan (collect, filter, resolve, remove repeats): %.1f ms best, %.1f ms median,"
                " %lld addresses\n",
                scan.milliseconds, scan.medianMilliseconds, (long long)scan.links.size());
    std::printf("modern scan (tokenize, choose, filter, resolve, remove repeats): %.1f ms best,"
                " %.1f ms median, %lld addresses\n",
                modern.milliseconds, modern.medianMilliseconds, (long long)modern.links.size());
    std::printf("ratio modern scan / scan: %.2f best, %.2f median\n",
                scan.milliseconds > 0 ? modern.milliseconds / scan.milliseconds : 0.0,
                scan.medianMilliseconds > 0 ? modern.medianMilliseconds / scan.medianMilliseconds : 0.0);
    std::printf("window (Memo2 to List2 and Label10, shown): %.1f ms best (%.1f ms calls + %.1f ms"
                " layout and paint), %.1f ms median, %lld lines\n",
                window.milliseconds, window.callsMilliseconds,
                window.milliseconds - window.callsMilliseconds, window.medianMilliseconds,
                (long long)window.links.size());
    std::printf("grep -o floor: %.1f ms best, %lld matches\n", grepMs, (long long)grepMatches);
    std::printf("ratio scan / grep: %.2f   window / grep: %.2f   window / scan: %.2f\n",
                grepMs > 0 ? scan.milliseconds / grepMs : 0.0,
                grepMs > 0 ? window.milliseconds / grepMs : 0.0,
                scan.milliseconds > 0 ? window.milliseconds / scan.milliseconds : 0.0);

    const bool complete = scan.links.size() == page.distinctAdmitted && grepMatches == page.links;
    const bool sameInWindow = window.links == scan.links
        && window.label10 == QString::number(page.distinctAdmitted);
    const bool sameInModern = modern.links == scan.links;
    const bool fast = scan.milliseconds < 1000 && window.milliseconds < 1000
        && modern.milliseconds < 1000;
    if (!complete)
        std::printf("FAIL: unexpected number of addresses or matches\n");
    if (!sameInWindow)
        std::printf("FAIL: List2 or Label10 differ from the pure scan's result\n");
    if (!sameInModern)
        std::printf("FAIL: the modern scan's addresses differ from the scan's\n");
    if (!fast)
        std::printf("FAIL: a scan or the window pass took a second or more\n");
    return complete && sameInWindow && sameInModern && fast ? 0 : 1;
}
