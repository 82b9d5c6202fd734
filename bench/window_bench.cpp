// Drives the real main window for run_download_benchmarks.sh, shown on the
// Download zone tab under the offscreen platform:
//   window_bench batch <page address>   Load page, select all, Save pictures
//                                       into the current folder
//   window_bench file <address> <name>  one file through ZDownloadaj
//   window_bench log [lines]            the message log growing to that many
//                                       lines (10000), time per line
//   window_bench select [links]         the link list's *, /2 and <-> buttons
//                                       clicked on that many links (100000)
// The window writes every log line to standard output; that output goes to
// /dev/null here (its cost stays in the figures). The figures go to the
// original standard output as one line of "key=value" pairs (the log mode
// adds lines of its own). The program folder (dl.ini, error.log) is
// GRABULO_HOME; the caller points it at a temporary folder.
#include "gui/dlform.h"
#include "gui/windows.h"
#include "base/errors.h"
#include "gui/list_box.h"
#include "gui/message_log.h"
#include "gui/paint_throttle.h"
#include "core/shared_state.h"
#include "net/http_client.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

FILE *figures = stdout;

// Counts the paint events of all widgets (the window's own PaintThrottle
// counts its repaints).
// With WINDOW_BENCH_PAINTS=1 in the environment, the batch also lists the
// paint events per widget on standard error.
class PaintCounter final : public QObject {
public:
    int paints = 0;
    QMap<QString, int> perWidget;
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            if (listEach)
                ++perWidget[QString::fromLatin1(object->metaObject()->className()) + u' '
                            + object->objectName()];
        }
        return QObject::eventFilter(object, event);
    }
    void Reset()
    {
        paints = 0;
        perWidget.clear();
    }
    void List() const
    {
        for (auto it = perWidget.begin(); it != perWidget.end(); ++it)
            std::fprintf(stderr, "%6d %s\n", it.value(), qPrintable(it.key()));
    }
    const bool listEach = qEnvironmentVariableIsSet("WINDOW_BENCH_PAINTS");
};
PaintCounter *paintCounter = nullptr;

// Standard output to /dev/null; the figures to a copy of the original.
void RedirectLogOutput()
{
    std::fflush(stdout);
    const int copy = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (copy < 0 || null < 0 || ::dup2(null, STDOUT_FILENO) < 0)
        return;
    ::close(null);
    figures = ::fdopen(copy, "w");
}

double PeakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Processor time of this process so far, user and system, in milliseconds.
std::pair<double, double> CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval &t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return {ms(usage.ru_utime), ms(usage.ru_stime)};
}

double CurrentRssMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

void ShowOnDownloadZone(TDLForm &form)
{
    form.PageControl1->setCurrentWidget(form.TabSheet1);
    form.show();
    QApplication::processEvents();
}

int Batch(TDLForm &form, const QString &pageAddress)
{
    form.Combo1->setEditText(pageAddress);
    form.Edit13->setText(QStringLiteral("0"));
    paintCounter->Reset();
    const int framesBefore = form.Repaints->Frames();
    const auto cpuBefore = CpuMs();
    QElapsedTimer clock;
    clock.start();
    form.Button2Click();
    const double loadMs = clock.nsecsElapsed() / 1e6;
    form.SpeedButton3Click();
    form.Button4Click();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const auto cpuAfter = CpuMs();
    const int logLines = form.Memo3->Text().count(u'\n') + 1;
    std::fprintf(figures, "seconds=%.3f user_ms=%.0f sys_ms=%.0f load_ms=%.1f links=%lld selected=%lld"
                 " label10=%s pictures=%d log_lines=%d window_flushes=%d widget_paints=%d"
                 " peak_rss_mib=%.1f\n",
                 seconds, cpuAfter.first - cpuBefore.first, cpuAfter.second - cpuBefore.second, loadMs, qlonglong(form.List2->Count()), qlonglong(form.List2->SelectedCount()),
                 qPrintable(form.Label10->text()), RunPictureCount, logLines,
                 form.Repaints->Frames() - framesBefore, paintCounter->paints, PeakRssMiB());
    if (paintCounter->listEach)
        paintCounter->List();
    return form.List2->Count() > 0 ? 0 : 1;
}

int OneFile(TDLForm &form, const QByteArray &address, const QByteArray &name)
{
    const double before = CurrentRssMiB();
    form.HTTP2->Body = name;
    QElapsedTimer clock;
    clock.start();
    form.ZDownloadaj(address, 1);
    const double seconds = clock.nsecsElapsed() / 1e9;
    const qint64 bytes = form.HTTP2->BytesRecvd;
    std::fprintf(figures, "bytes=%lld seconds=%.3f mbps=%.1f rss_before_mib=%.1f peak_rss_mib=%.1f status=%d\n",
                 qlonglong(bytes), seconds, bytes / seconds / 1e6, before, PeakRssMiB(),
                 form.HTTP2->ReplyNumber);
    return form.HTTP2->ReplyNumber == 200 ? 0 : 1;
}

double MeanMs(const QList<qint64> &ns, qsizetype from, qsizetype count)
{
    double sum = 0;
    for (qsizetype i = from; i < from + count; ++i)
        sum += ns.at(i);
    return sum / count / 1e6;
}

// Each line: Log, then one pass of the event loop so the log lays out and
// paints as it does between the transfers of a batch. Times both.
int LogLines(TDLForm &form, int lines)
{
    QList<qint64> logNs, shownNs;
    logNs.reserve(lines);
    shownNs.reserve(lines);
    QElapsedTimer clock;
    for (int i = 1; i <= lines; ++i) {
        const QString name = QStringLiteral("p%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
        const QString line = QStringLiteral("Downloading ") + name + QStringLiteral(" -> ") + name;
        clock.start();
        form.Log(line);
        form.Memo3->Flush();  // into the view at once: the worst case, one line per edit
        logNs.append(clock.nsecsElapsed());
        QApplication::processEvents();
        shownNs.append(clock.nsecsElapsed());
    }
    const int edge = std::min(100, lines / 2);
    const double firstLog = MeanMs(logNs, 0, edge), lastLog = MeanMs(logNs, lines - edge, edge);
    const double firstShown = MeanMs(shownNs, 0, edge), lastShown = MeanMs(shownNs, lines - edge, edge);
    std::fprintf(figures, "per line, mean of the first and of the last %d of %d lines:\n", edge, lines);
    for (int bucket = 0; bucket * 1000 < lines; ++bucket) {
        const int from = bucket * 1000, count = std::min(1000, lines - from);
        std::fprintf(figures, "  lines %5d-%5d: Log %.3f ms, Log and event pass %.3f ms\n", from + 1,
                     from + count, MeanMs(logNs, from, count), MeanMs(shownNs, from, count));
    }
    std::fprintf(figures,
                 "log_first_ms=%.4f log_last_ms=%.4f log_ratio=%.2f shown_first_ms=%.4f"
                 " shown_last_ms=%.4f shown_ratio=%.2f blocks=%d\n",
                 firstLog, lastLog, lastLog / firstLog, firstShown, lastShown, lastShown / firstShown,
                 form.Memo3->document()->blockCount());
    return 0;
}

// Clicks a button of the link list and times it to the end of the next
// event-loop pass (the list repainted).
double ClickMs(QToolButton *button)
{
    QElapsedTimer clock;
    clock.start();
    button->click();
    QApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

// The selection buttons on a long list: /2 on nothing selected, /2 again
// (every line already in), * over that, <->, /2 after the reversal, * from
// nothing. Fails unless each gives the right count and every time is under
// 100 ms.
int SelectButtons(TDLForm &form, int links)
{
    QList<QByteArray> lines;
    lines.reserve(links);
    for (int i = 0; i < links; ++i)
        lines << "http://127.0.0.1/gallery/p" + QByteArray::number(i) + ".jpg";
    form.List2->SetItems(std::move(lines));
    QApplication::processEvents();
    const qsizetype half = (links + 1) / 2;
    struct Step {
        const char *name;
        QToolButton *button;
        qsizetype selected;
    };
    const Step steps[] = {
        {"half", form.SpeedButton2, half},    {"half_again", form.SpeedButton2, half},
        {"all", form.SpeedButton3, links},    {"reverse", form.SpeedButton4, 0},
        {"half_reversed", form.SpeedButton2, half}, {"reverse_again", form.SpeedButton4, 0},
        {"all_from_none", form.SpeedButton3, links},
    };
    int result = 0;
    std::fprintf(figures, "links=%d", links);
    for (const Step &step : steps) {
        const double ms = ClickMs(step.button);
        const qsizetype selected = form.List2->SelectedCount();
        std::fprintf(figures, " %s_ms=%.1f", step.name, ms);
        if (selected != step.selected || ms >= 100) {
            std::fprintf(stderr, "%s: %lld selected (%lld expected), %.1f ms\n", step.name,
                         qlonglong(selected), qlonglong(step.selected), ms);
            result = 1;
        }
    }
    std::fprintf(figures, " first=%s last=%s\n", form.List2->Item(0).constData(),
                 form.List2->Item(links - 1).constData());
    return result;
}

int Run(const QStringList &args)
{
    const QString mode = args.value(1);
    TDLForm form;
    DLForm = &form;
    ShowOnDownloadZone(form);
    int result = 2;
    if (mode == QLatin1String("batch") && args.size() == 3)
        result = Batch(form, args.at(2));
    else if (mode == QLatin1String("file") && args.size() == 4)
        result = OneFile(form, args.at(2).toUtf8(), args.at(3).toUtf8());
    else if (mode == QLatin1String("log"))
        result = LogLines(form, std::max(200, args.value(2, QStringLiteral("10000")).toInt()));
    else if (mode == QLatin1String("select"))
        result = SelectButtons(form, std::max(2, args.value(2, QStringLiteral("100000")).toInt()));
    else
        std::fprintf(stderr, "usage: window_bench batch <page address> | file <address> <name> | log [lines]"
                             " | select [links]\n");
    DLForm = nullptr;
    return result;
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PaintCounter counter;
    paintCounter = &counter;
    app.installEventFilter(&counter);
    RedirectLogOutput();
    int result = 1;
    try {
        result = Run(app.arguments());
    } catch (const Exception &e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
    }
    std::fflush(figures);
    return result;
}
