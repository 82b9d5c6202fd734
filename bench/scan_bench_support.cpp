#include "bench/scan_bench_support.h"
#include "gui/windows.h"

#include "gui/dlform.h"
#include "gui/list_box.h"
#include "core/shared_state.h"
#include "core/scan/modern_scanner.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTabWidget>

#include <algorithm>
#include <random>
#include <set>
#include <utility>

namespace {

// The link forms; the last one is not admitted under type filter entry 0.
constexpr const char *kLinkForms[] = {
    "pics/p%1.jpg", "/img/%1.png", "../%1.gif", "./%1.jpeg", "http://cdn.example/%1.JPG",
    "doc%1.html",
};
constexpr int kFormCount = int(std::size(kLinkForms));
constexpr int kAdmittedForms = kFormCount - 1;

const QByteArray kFiller =
    "<p class=\"text\">Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do "
    "eiusmod tempor incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam, "
    "quis nostrud exercitation ullamco laboris nisi ut aliquip ex ea commodo.</p>\n";

QByteArray LinkValue(int form, int number)
{
    return QByteArray(kLinkForms[form]).replace("%1", QByteArray::number(number));
}

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

} // namespace

LinkPage GenerateLinkPage(qsizetype pageBytes, qsizetype linkCount)
{
    LinkPage page;
    page.location = {"bench.example", "gallery/2024/"};
    page.links = linkCount;
    std::mt19937 random(2024);
    // Numbers drawn from a range of two thirds of the link count: about one
    // link in nine repeats an earlier one.
    std::uniform_int_distribution<int> number(0, int(linkCount * 2 / 3));
    std::uniform_int_distribution<int> form(0, kFormCount - 1);
    std::set<std::pair<int, int>> admitted;
    page.text.reserve(pageBytes + 4096);
    page.text += "<html><head><title>Bench</title></head><body>\n";
    for (qsizetype i = 0; i < linkCount; ++i) {
        const int f = form(random), n = number(random);
        page.text += "<a href=\"" + LinkValue(f, n) + "\">x</a> ";
        if (f < kAdmittedForms)
            admitted.insert({f, n});
        const qsizetype upTo = pageBytes * (i + 1) / linkCount;
        while (page.text.size() < upTo)
            page.text += kFiller.left(upTo - page.text.size());
    }
    page.text += "</body></html>\n";
    page.distinctAdmitted = qsizetype(admitted.size());
    return page;
}

namespace {

template <typename Scan>
ScanTiming TimeScan(const LinkPage &page, int runs, Scan scan)
{
    ScanTiming timing;
    QList<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        timing.links = scan(page.text, LinkAttribute::Href, 0, page.location);
        times.append(timer.nsecsElapsed() / 1e6);
    }
    timing.milliseconds = *std::min_element(times.begin(), times.end());
    timing.medianMilliseconds = Median(times);
    return timing;
}

} // namespace

ScanTiming TimePureScan(const LinkPage &page, int runs)
{
    return TimeScan(page, runs, ScanPageLinks);
}

ScanTiming TimeModernScan(const LinkPage &page, int runs)
{
    return TimeScan(page, runs, [](const QByteArray &text, LinkAttribute attribute, int index,
                                   const PageLocation &location) {
        return ScanModernPageLinks(text, attribute, index, location);
    });
}

WindowTiming TimeWindowPageLoad(const LinkPage &page, const QByteArray &pageAddress, int runs)
{
    WindowTiming timing;
    TDLForm form;
    DLForm = &form;
    form.PageControl1->setCurrentWidget(form.TabSheet1);
    form.show();
    QApplication::processEvents();
    QList<double> times;
    for (int run = 0; run < runs; ++run) {
        form.OcistiSeznam();
        form.Label10->setText(QStringLiteral("0"));
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        form.Memo2 = page.text;
        form.ObdelajHTML();
        form.Combo1->setEditText(QString::fromUtf8(pageAddress));  // the links resolve on the box's address
        form.ObdelajPovezave();
        form.OdstraniDuplikatneVrstice(form.List2);
        form.Label10->setText(QString::number(form.List2->Count()));
        const double calls = timer.nsecsElapsed() / 1e6;
        QApplication::processEvents();
        const double total = timer.nsecsElapsed() / 1e6;
        if (times.isEmpty() || total < *std::min_element(times.begin(), times.end()))
            timing.callsMilliseconds = calls;
        times.append(total);
    }
    timing.milliseconds = *std::min_element(times.begin(), times.end());
    timing.medianMilliseconds = Median(times);
    timing.links = form.List2->Items();
    timing.label10 = form.Label10->text();
    DLForm = nullptr;
    return timing;
}

double TimeGrepExtraction(const QString &file, int runs, qsizetype &matches)
{
    double best = -1;
    for (int run = 0; run < runs; ++run) {
        QProcess grep;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LC_ALL", "C");
        grep.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        grep.start("grep", {"-o", "href=\"[^\"]*\"", file});
        grep.waitForFinished(-1);
        const QByteArray output = grep.readAllStandardOutput();
        const double ms = timer.nsecsElapsed() / 1e6;
        matches = output.count('\n');
        if (best < 0 || ms < best)
            best = ms;
    }
    return best;
}
