// The widgets that keep a busy batch cheap to show: the repaint throttle of
// the window, the message log that takes lines in batches, and the counter
// display.
#include "gui/counter_display.h"
#include "gui/message_log.h"
#include "gui/download/picture_preview.h"
#include "gui/paint_throttle.h"
#include "gui/path_field.h"
#include "gui/panel_status_bar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QTextBlock>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A child that counts its paint events.
class CountingChild final : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

// Processes events for ms milliseconds.
void Spin(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A shown window with a throttle of intervalMs and a counting child.
struct ThrottledWindow {
    explicit ThrottledWindow(int intervalMs)
    {
        window.resize(200, 100);
        child = new CountingChild(&window);
        child->setGeometry(10, 10, 50, 50);
        throttle = new PaintThrottle(&window, intervalMs);
        window.show();
    }
    QWidget window;
    CountingChild *child;
    PaintThrottle *throttle;
};

TEST(PaintThrottle, HoldsRepaintsWithinAnIntervalAndPaintsTheLastStateAfterIt)
{
    ThrottledWindow shown(300);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown.window));
    Spin(350);  // the first show and its frame are over
    CountingChild *child = shown.child;
    PaintThrottle *throttle = shown.throttle;
    const int framesBefore = throttle->Frames(), paintsBefore = child->paints;

    child->update();
    QApplication::processEvents();
    EXPECT_EQ(throttle->Frames(), framesBefore + 1) << "a request after a quiet interval paints at once";
    EXPECT_EQ(child->paints, paintsBefore + 1);

    for (int i = 0; i < 20; ++i) {  // a burst inside the interval
        child->update();
        QApplication::processEvents();
    }
    EXPECT_EQ(child->paints, paintsBefore + 1) << "held within the interval";
    EXPECT_EQ(throttle->Held(), 1) << "one held request covers the whole burst";

    Spin(400);
    EXPECT_EQ(child->paints, paintsBefore + 2) << "the held request paints the last state, once";
    EXPECT_EQ(throttle->Frames(), framesBefore + 2);
}

TEST(PaintThrottle, ABusyLoopGetsAboutOneRepaintPerInterval)
{
    ThrottledWindow shown(20);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown.window));
    const int framesBefore = shown.throttle->Frames();
    QElapsedTimer clock;
    clock.start();
    int updates = 0;
    while (clock.elapsed() < 200) {  // as a batch does: a change, then one event pass
        shown.child->update();
        QApplication::processEvents();
        ++updates;
    }
    const int frames = shown.throttle->Frames() - framesBefore;
    EXPECT_GT(updates, 100);
    EXPECT_GE(frames, 3) << "the window still shows progress";
    EXPECT_LE(frames, 12) << "about one repaint per 20 ms, not one per change";
}

TEST(MessageLog, QueuedLinesAreReadBackInOrderAndReachTheViewByThemselves)
{
    MessageLog log(nullptr, 30);
    log.AppendLine(QStringLiteral("first"));
    log.AppendLine(QString());  // an empty line stays a line
    log.AppendLine(QStringLiteral("drugi čšž"));
    EXPECT_TRUE(log.toPlainText().isEmpty()) << "queued, not yet in the view";
    Spin(80);
    EXPECT_EQ(log.toPlainText(), QStringLiteral("first\n\ndrugi čšž")) << "flushed by its timer";
    EXPECT_EQ(log.document()->blockCount(), 3);

    log.AppendLine(QStringLiteral("third"));
    EXPECT_EQ(log.Text(), QStringLiteral("first\n\ndrugi čšž\nthird")) << "reading flushes first";
    EXPECT_EQ(log.document()->blockCount(), 4);
}

TEST(MessageLog, ClearDropsTheQueueAndNothingComesBackLater)
{
    MessageLog log(nullptr, 20);
    log.AppendLine(QStringLiteral("shown"));
    log.Flush();
    log.AppendLine(QStringLiteral("queued"));
    log.Clear();
    Spin(60);
    EXPECT_TRUE(log.Text().isEmpty());
    log.AppendLine(QStringLiteral("after"));
    EXPECT_EQ(log.Text(), QStringLiteral("after"));
}

TEST(MessageLog, ShowNewestLineScrollsToTheQueuedEnd)
{
    MessageLog log(nullptr, 1000);
    log.resize(200, 80);
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    for (int i = 0; i < 200; ++i)
        log.AppendLine(QStringLiteral("line %1").arg(i));
    log.ShowNewestLine();
    EXPECT_EQ(log.textCursor().block().text(), QStringLiteral("line 199"));
    EXPECT_EQ(log.verticalScrollBar()->value(), log.verticalScrollBar()->maximum());
    EXPECT_GT(log.verticalScrollBar()->maximum(), 0);
}

// As a terminal: scrolled up by the user it stays put as lines come, also
// after being hidden (a tab switch); scrolled back to the end it follows.
TEST(MessageLog, FollowsNewLinesUnlessTheUserScrolledUp)
{
    MessageLog log(nullptr, 1000);
    log.resize(200, 80);
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    QScrollBar *bar = log.verticalScrollBar();
    for (int i = 0; i < 50; ++i)
        log.AppendLine(QStringLiteral("line %1").arg(i));
    log.Flush();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);  // the user pages up
    const int readingAt = bar->value();
    ASSERT_LT(readingAt, bar->maximum());
    log.hide();
    log.AppendLine(QStringLiteral("while hidden"));
    log.Flush();
    log.show();
    log.ShowNewestLine();
    EXPECT_EQ(bar->value(), readingAt);
    EXPECT_FALSE(log.Following());
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    log.hide();
    for (int i = 0; i < 20; ++i)
        log.AppendLine(QStringLiteral("later %1").arg(i));
    log.Flush();
    log.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.Following());
    EXPECT_EQ(bar->value(), bar->maximum());
}

// The preview's first place: beside the main window where there is room,
// else over the log's corner; never over a command.
TEST(PreviewPlace, BesideTheMainWindowElseOverTheLog)
{
    const QSize frame(200, 150);
    const QRect main(20, 20, 686, 600), log(30, 480, 500, 100);
    const struct {
        QRect area;
        QRect log;
        QRect place;
    } rows[] = {
        {{0, 0, 1920, 1040}, log, {710, 20, 200, 150}},  // to the right
        {{-300, 0, 1100, 800}, log, {-184, 20, 200, 150}},  // no room right: to the left
        {{0, 0, 800, 900}, log, {20, 624, 200, 150}},  // below
        {{0, -200, 720, 840}, log, {20, -134, 200, 150}},  // above
        {{0, 0, 720, 640}, {30, 400, 500, 200}, {330, 450, 200, 150}},  // nowhere: over a tall log's corner
        {{0, 0, 720, 640}, log, {397, 480, 133, 100}},  // a short log: made smaller to fit it
        {{0, 0, 720, 640}, {30, 580, 500, 30}, {466, 562, 64, 48}},  // never below the least
    };
    for (const auto &row : rows)
        EXPECT_EQ(PlaceBeside(frame, main, row.log, row.area), row.place) << row.area.x() << "," << row.log.height();
}

TEST(PathField, ALongPathShowsItsEndsAndTheWholeIsTheToolTip)
{
    PathField field;
    const QString path = QStringLiteral("/home/someone/Pictures/Grabulo/a/very/long/way/down/to/the/gallery");
    field.setText(path);
    EXPECT_EQ(field.text(), path);
    EXPECT_EQ(field.toolTip(), path);
    const QString shown = field.ShownText(field.fontMetrics().horizontalAdvance(path) / 2);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/home")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("gallery")));
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_EQ(field.ShownText(field.fontMetrics().horizontalAdvance(path) + 1), path);
}

TEST(MessageLog, FailureLinesAreRedInOneFlushWithPlainOnesAndTheTextStaysPlain)
{
    MessageLog log(nullptr, 1000);
    log.AppendLine(QStringLiteral("saved a.jpg"));
    log.AppendLine(QStringLiteral("File b.jpg was not saved: 404"), true);
    log.AppendLine(QStringLiteral("Failed: http://x/b.jpg"), true);
    log.AppendLine(QStringLiteral("saved c.jpg"));
    log.Flush();
    log.AppendLine(QStringLiteral("Failed: http://x/d.jpg"), true);
    log.AppendLine(QStringLiteral("end"));
    EXPECT_EQ(log.Text(), QStringLiteral("saved a.jpg\nFile b.jpg was not saved: 404\nFailed: http://x/b.jpg\n"
                                         "saved c.jpg\nFailed: http://x/d.jpg\nend"));
    const QList<bool> red{false, true, true, false, true, false};
    for (int n = 0; n < red.size(); ++n)
        EXPECT_EQ(log.IsFailureLine(n), red[n]) << n;
    log.Clear();
    log.AppendLine(QStringLiteral("after clearing"));
    EXPECT_FALSE(log.IsFailureLine(0));
}

TEST(PanelStatusBar, ALongTextGivesWayToTheLongestChoiceThatFitsWithTheWholeAsToolTip)
{
    PanelStatusBar bar({60, 100});
    bar.resize(200, 22);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    const QString whole = QStringLiteral("229 of 1000 files done, 4 in transfer, 1.8 MiB at 679 KiB/s");
    bar.SetPanelTexts(1, {whole, QStringLiteral("229/1000 done"), QStringLiteral("229")});
    EXPECT_EQ(bar.PanelText(1), whole);
    EXPECT_EQ(bar.ShownText(1), QStringLiteral("229/1000 done"));
    EXPECT_EQ(bar.findChildren<QLabel *>().at(1)->toolTip(), whole);
    // Wider: the whole text, and no tool tip.
    bar.resize(700, 22);
    QApplication::processEvents();
    EXPECT_EQ(bar.ShownText(1), whole);
    EXPECT_TRUE(bar.findChildren<QLabel *>().at(1)->toolTip().isEmpty());
    // Nothing fits the first panel's 60 pixels: the last choice, cut short.
    bar.SetPanelTexts(0, {whole, QStringLiteral("a text far too long for sixty pixels")});
    EXPECT_TRUE(bar.ShownText(0).startsWith(QStringLiteral("a te"))) << bar.ShownText(0).toStdString();
    EXPECT_TRUE(bar.ShownText(0).endsWith(QChar(0x2026))) << bar.ShownText(0).toStdString();
}

TEST(CounterDisplay, KeepsItsLinesAndIgnoresLinesItHasNot)
{
    CounterDisplay counter(2);
    counter.SetLine(0, QStringLiteral("3/10: pic.jpg"));
    counter.SetLine(1, QStringLiteral("8192 bytes"));
    counter.SetLine(2, QStringLiteral("no third line"));
    counter.SetLine(-1, QStringLiteral("no line before the first"));
    EXPECT_EQ(counter.LineCount(), 2);
    EXPECT_EQ(counter.Line(0), QStringLiteral("3/10: pic.jpg"));
    EXPECT_EQ(counter.Line(1), QStringLiteral("8192 bytes"));
    EXPECT_TRUE(counter.Line(2).isEmpty());
    EXPECT_EQ(counter.toolTip(), QStringLiteral("3/10: pic.jpg\n8192 bytes"));
}

// Where the counter's blue text lies when painted: right-aligned, inside
// the widget, also for a name far wider than the display.
TEST(CounterDisplay, PaintsItsLinesRightAlignedAndShortensLongOnes)
{
    CounterDisplay counter(2);
    counter.resize(148, 40);
    counter.SetLine(0, QStringLiteral("1/2: ") + QString(200, u'w') + QStringLiteral(".jpg"));
    counter.SetLine(1, QStringLiteral("12 bytes"));
    QImage image(counter.size(), QImage::Format_ARGB32);
    counter.render(&image);
    int left = image.width(), right = -1, lowest = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qBlue(image.pixel(x, y)) > 150 && qRed(image.pixel(x, y)) < 100) {
                left = std::min(left, x);
                right = std::max(right, x);
                lowest = std::max(lowest, y);
            }
    ASSERT_GE(right, 0) << "something is drawn in blue";
    EXPECT_GT(right, image.width() - 12) << "right-aligned";
    EXPECT_GE(left, 2) << "the long line is shortened to fit, not cut at the left edge";
    EXPECT_GT(lowest, counter.fontMetrics().lineSpacing()) << "the second line is below the first";
}

}  // namespace
