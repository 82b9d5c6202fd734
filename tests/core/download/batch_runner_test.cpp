// The batch runner driven directly, with fake transfer slots: what each
// transfer answers -> what became of each file, the files on disk and the
// log lines in order. Every case runs with one slot (the file client's
// way, one file after another) and with three (workers' way).
#include "core/download/batch_request.h"
#include "core/download/batch_runner.h"
#include "core/download/error_log.h"
#include "core/shared_state.h"
#include "net/http_client.h"
#include "tests/core/download/fake_transfer_slot.h"
#include "tests/core/download/real_batch.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

namespace {

QByteArray At(const char *name)
{
    return QByteArray("http://h/") + name;
}

struct RunnerCase {
    const char *name;
    QList<QByteArray> picked;                            // file names under http://h/
    QList<std::pair<QByteArray, QList<TFakeAnswer>>> answers;
    std::function<void(TBatchRequest &)> adjust;         // settings of the case; may be empty
    TBatchTally tally;
    QStringList files;                                   // on disk afterwards, sorted
    QStringList log;                                     // with one slot, in order
    QList<QByteArray> failed;                            // the error log's new entries
    bool interrupted = false;
};

// A folder of its own for each run, made current while it runs.
class RunnerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = testenv::NewFolder("runner");
        before = QDir::currentPath();
        QDir::setCurrent(folder);
        runner.SetSlotSource([this](int, int count) {
            return std::make_unique<TFakeSlot>(server, count > 1);
        });
        // Stop once the files beside it have ended.
        server.onHang = [this] { QTimer::singleShot(20, &runner, [this] { runner.Stop(); }); };
        QObject::connect(&runner, &TBatchRunner::LogLine, [this](const QString &line, bool failure) {
            log.append(line);
            if (failure)
                red.append(line);
        });
    }
    void TearDown() override { QDir::setCurrent(before); }

    TBatchEnd Run(const RunnerCase &c, int slotCount)
    {
        for (const auto &[name, answers] : c.answers)
            server.answers[At(name.constData())] = answers;
        QList<QByteArray> addresses;
        for (const QByteArray &name : c.picked)
            addresses.append(At(name.constData()));
        TSettingsValues settings;
        settings.parallel = slotCount;
        TBatchRequest request = MakeBatchRequest(addresses, {}, settings, {}, true);
        if (c.adjust)
            c.adjust(request);
        return runner.Run(request);
    }

    QStringList Files() const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    TFakeServer server;
    TBatchRunner runner;
    QString folder, before;
    QStringList log, red;
};

class BatchRunnerTest : public RunnerFixture, public ::testing::WithParamInterface<std::tuple<RunnerCase, int>> {};
class SkipSavedRunnerTest : public RunnerFixture, public ::testing::WithParamInterface<int> {};

// The lines of the log that name the file, in their order.
QStringList LinesOf(const QStringList &log, const QString &file)
{
    return log.filter(file);
}

TEST_P(BatchRunnerTest, EachFileEndsAsItsAnswersSay)
{
    const auto &[c, slotCount] = GetParam();
    const qsizetype failedBefore = runner.errorLog.entries.size();
    const TBatchEnd end = Run(c, slotCount);
    EXPECT_EQ(end.tally.saved, c.tally.saved);
    EXPECT_EQ(end.tally.failed, c.tally.failed);
    EXPECT_EQ(end.tally.skipped, c.tally.skipped);
    EXPECT_EQ(end.interrupted, c.interrupted);
    EXPECT_EQ(Files(), c.files);
    EXPECT_EQ(runner.errorLog.entries.mid(failedBefore), c.failed);
    if (slotCount == 1) {
        EXPECT_EQ(log, c.log);
    } else {
        // Several at once: the same lines, each file's own in their order.
        QStringList sorted = log, expected = c.log;
        sorted.sort();
        expected.sort();
        EXPECT_EQ(sorted, expected);
        for (const QByteArray &name : c.picked)
            EXPECT_EQ(LinesOf(log, QString::fromUtf8(name)), LinesOf(c.log, QString::fromUtf8(name))) << name.data();
    }
    for (const QString &line : red)
        EXPECT_TRUE(line.startsWith("Failed: ") || line.contains(" was not saved: ")) << line.toStdString();
}

const QString kFailedB = "Failed: http://h/b.jpg";

void LeastSize(TBatchRequest &r, qint32 width, qint32 height)
{
    r.settings.minWidth = width;
    r.settings.minHeight = height;
}

const RunnerCase kCases[] = {
    {"Saved", {"a.jpg"}, {{"a.jpg", {TFakeAnswer::Ok("picture")}}}, {}, {1, 0, 0}, {"a.jpg"},
     {"Downloading a.jpg -> a.jpg"}, {}},
    {"NotFound", {"a.jpg", "b.jpg"}, {{"a.jpg", {TFakeAnswer::Ok("picture")}}, {"b.jpg", {TFakeAnswer::Status(404)}}},
     {}, {1, 1, 0}, {"a.jpg"},
     {"Downloading a.jpg -> a.jpg", "Downloading b.jpg -> b.jpg",
      "File b.jpg was not saved: the server answered 404 Not Found", kFailedB},
     {At("b.jpg")}},
    {"CutBodyRetriedThenSaved", {"a.jpg"},
     {{"a.jpg", {TFakeAnswer::Cut("pic", 10), TFakeAnswer::Ok("picture")}}}, {}, {1, 0, 0}, {"a.jpg"},
     {"Downloading a.jpg -> a.jpg", "Transfer of a.jpg broken off (only 3 of 10 bytes came) - trying again... 1"}, {}},
    {"FiveFailuresGiveUp", {"b.jpg"},
     {{"b.jpg", {TFakeAnswer::Fault(TTransferFault::BrokenOff, "reset")}}}, {}, {0, 1, 0}, {},
     {"Downloading b.jpg -> b.jpg", "Transfer of b.jpg broken off (reset) - trying again... 1",
      "Transfer of b.jpg broken off (reset) - trying again... 2", "Transfer of b.jpg broken off (reset) - trying again... 3",
      "Transfer of b.jpg broken off (reset) - trying again... 4", "Transfer of b.jpg broken off (reset) - trying again... 5",
      "File b.jpg was not saved: reset", kFailedB},
     {At("b.jpg")}},
    {"TimeOutsAreRetried", {"a.jpg"},
     {{"a.jpg", {TFakeAnswer::Fault(TTransferFault::TimedOut, "Connection Timed out"), TFakeAnswer::Ok("picture")}}},
     {}, {1, 0, 0}, {"a.jpg"},
     {"Downloading a.jpg -> a.jpg", "Timeout while downloading - trying again... 1"}, {}},
    {"NameTaken", {"x.jpg", "x.jpg"}, {{"x.jpg", {TFakeAnswer::Ok("picture")}}}, {}, {2, 0, 0}, {"x.jpg", "x0001.jpg"},
     {"Downloading x.jpg -> x.jpg", "Downloading x.jpg -> x.jpg", "A file with this name already exists: x.jpg",
      "File name changed to: x0001.jpg"}, {}},
    {"HtmlInsteadOfAPicture", {"b.jpg"}, {{"b.jpg", {TFakeAnswer::Ok("<!DOCTYPE html><p>login")}}}, {}, {0, 1, 0}, {},
     {"Downloading b.jpg -> b.jpg", "File b.jpg was not saved: an HTML page came instead of the file", kFailedB},
     {At("b.jpg")}},
    {"SizeFilter", {"a.jpg", "big.jpg"},
     {{"a.jpg", {TFakeAnswer::Ok("tiny")}}, {"big.jpg", {TFakeAnswer::Ok("a picture of size")}}},
     [](TBatchRequest &r) { r.settings.sizeFilter = true, r.settings.sizeLimit = 10; }, {2, 0, 0}, {"big.jpg"},
     {"Downloading a.jpg -> a.jpg", "File a.jpg is smaller than 10 bytes.", "File a.jpg was deleted.",
      "Downloading big.jpg -> big.jpg"}, {}},
    {"PictureBelowTheLeastSize", {"thumb.png", "big.png", "pic.svg", "tall.png"},
     {{"thumb.png", {TFakeAnswer::Ok(PngOfSize(120, 90))}}, {"big.png", {TFakeAnswer::Ok(PngOfSize(400, 300))}},
      {"pic.svg", {TFakeAnswer::Ok("<svg width='1' height='1'/>")}}, {"tall.png", {TFakeAnswer::Ok(PngOfSize(399, 5000))}}},
     [](TBatchRequest &r) { LeastSize(r, 400, 300); }, {2, 0, 2}, {"big.png", "pic.svg"},
     {"Downloading thumb.png -> thumb.png", "Skipped 120x90, smaller than 400x300: thumb.png",
      "Downloading big.png -> big.png", "Downloading pic.svg -> pic.svg", "Downloading tall.png -> tall.png",
      "Skipped 399x5000, smaller than 400x300: tall.png"}, {}},
    {"LeastHeightOnly", {"wide.png", "high.png"},
     {{"wide.png", {TFakeAnswer::Ok(PngOfSize(9000, 20))}}, {"high.png", {TFakeAnswer::Ok(PngOfSize(1, 21))}}},
     [](TBatchRequest &r) { LeastSize(r, 0, 21); }, {1, 0, 1}, {"high.png"},
     {"Downloading wide.png -> wide.png", "Skipped 9000x20, smaller than 0x21: wide.png",
      "Downloading high.png -> high.png"}, {}},
    {"LeastSizeAndAFailure", {"small.png"}, {{"small.png", {TFakeAnswer{404, PngOfSize(1, 1), -1, TTransferFault::None, {}, false}}}},
     [](TBatchRequest &r) { LeastSize(r, 10, 10); }, {0, 1, 0}, {},
     {"Downloading small.png -> small.png", "File small.png was not saved: the server answered 404 Not Found",
      "Failed: http://h/small.png"}, {At("small.png")}},
    {"EmptyFileDeleted", {"a.jpg"}, {{"a.jpg", {TFakeAnswer::Ok("")}}}, {}, {1, 0, 0}, {},
     {"Downloading a.jpg -> a.jpg", "File a.jpg is empty.", "File a.jpg was deleted because it was empty."}, {}},
    {"StopMidBatch", {"a.jpg", "s.jpg", "c.jpg"},
     {{"a.jpg", {TFakeAnswer::Ok("picture")}}, {"s.jpg", {TFakeAnswer::Hang()}}, {"c.jpg", {TFakeAnswer::Ok("picture")}}},
     {}, {2, 0, 0}, {"a.jpg", "c.jpg"},
     {"Downloading a.jpg -> a.jpg", "Downloading s.jpg -> s.jpg", "Downloading c.jpg -> c.jpg"}, {}, true},
};

// A second batch into the same folder passes over what the first saved,
// with one slot and with three.
TEST_P(SkipSavedRunnerTest, ASecondBatchPassesOverWhatIsStillThere)
{
    const int slotCount = GetParam();
    const RunnerCase c{"SkipSaved", {"a.jpg", "b.jpg"},
                       {{"a.jpg", {TFakeAnswer::Ok("picture")}}, {"b.jpg", {TFakeAnswer::Ok("other")}}},
                       [](TBatchRequest &r) { r.settings.skipSaved = true; }, {}, {}, {}, {}};
    EXPECT_EQ(Run(c, slotCount).tally.saved, 2);
    QFile::remove(folder + "/b.jpg");
    log.clear();
    const TBatchEnd again = Run(c, slotCount);
    EXPECT_EQ(again.tally.saved, 1);
    EXPECT_EQ(again.tally.skipped, 1);
    EXPECT_EQ(server.requested, (QList<QByteArray>{At("a.jpg"), At("b.jpg"), At("b.jpg")}));
    EXPECT_EQ(log, (QStringList{"Downloading a.jpg -> a.jpg", "Already saved as a.jpg, skipped: http://h/a.jpg",
                                "Downloading b.jpg -> b.jpg"}));
}

INSTANTIATE_TEST_SUITE_P(OneAndThreeSlots, SkipSavedRunnerTest, ::testing::Values(1, 3));

// Same content once: with "skipsaved" a file whose bytes equal a file
// still saved in the folder is removed after its transfer; without it
// both stay; once the first is deleted, the content is saved again.
TEST_P(SkipSavedRunnerTest, TheSameContentIsKeptOnceWhileItsFileIsThere)
{
    const int slotCount = GetParam();
    const QByteArray picture = PngOfSize(640, 480);
    const RunnerCase twoLinks{"SameContent", {"a.jpg", "b.jpg", "c.jpg"},
                              {{"a.jpg", {TFakeAnswer::Ok(picture)}}, {"b.jpg", {TFakeAnswer::Ok(picture)}},
                               {"c.jpg", {TFakeAnswer::Ok(picture + "x")}}},
                              [](TBatchRequest &r) { r.settings.skipSaved = true; }, {}, {}, {}, {}};
    TBatchEnd end = Run(twoLinks, slotCount);
    EXPECT_EQ(end.tally.saved, 2);
    EXPECT_EQ(end.tally.skipped, 1);
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "c.jpg"}));
    EXPECT_EQ(LinesOf(log, "Same picture"), QStringList{"Same picture as a.jpg: b.jpg"});
    EXPECT_TRUE(red.isEmpty()) << red.join('\n').toStdString();

    // a.jpg deleted: the same picture under b.jpg is saved now.
    QFile::remove(folder + "/a.jpg");
    log.clear();
    RunnerCase again = twoLinks;
    again.picked = {"b.jpg"};
    end = Run(again, slotCount);
    EXPECT_EQ(end.tally.saved, 1);
    EXPECT_EQ(end.tally.skipped, 0);
    EXPECT_EQ(Files(), (QStringList{"b.jpg", "c.jpg"}));
    EXPECT_TRUE(LinesOf(log, "Same picture").isEmpty()) << log.join('\n').toStdString();
}

TEST_P(SkipSavedRunnerTest, WithoutSkipSavedTheSameContentIsSavedTwice)
{
    const QByteArray picture = PngOfSize(640, 480);
    const RunnerCase twoLinks{"SameContentOff", {"a.jpg", "b.jpg"},
                              {{"a.jpg", {TFakeAnswer::Ok(picture)}}, {"b.jpg", {TFakeAnswer::Ok(picture)}}},
                              {}, {}, {}, {}, {}};
    const TBatchEnd end = Run(twoLinks, GetParam());
    EXPECT_EQ(end.tally.saved, 2);
    EXPECT_EQ(end.tally.skipped, 0);
    EXPECT_EQ(Files(), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_TRUE(LinesOf(log, "Same picture").isEmpty());
}

// The pieces a run without a window builds: the file client's settings
// from the stored ones and the page.
TEST(BatchRequest, TheFileClientSettingsComeFromTheSettingsAndThePage)
{
    TSettingsValues settings;
    settings.timeOut = 30;
    settings.keepAlive = true;
    settings.lowSpeed = 20;
    settings.proxy = true;
    settings.proxyHost = "proxy.local";
    settings.proxyPort = "8080";
    const TPageCredentials page{"http://h/page.html", "ana", "skrivno", THttpClient::OriginOf("http://h/page.html")};
    const TBatchRequest request = MakeBatchRequest({At("a.jpg")}, "pics/", settings, page, false);
    EXPECT_EQ(request.http.TimeOut, 30000);
    EXPECT_TRUE(request.http.KeepAlive);
    EXPECT_EQ(request.http.LowSpeedTime, 20);
    EXPECT_EQ(request.http.Proxy, "proxy.local");
    EXPECT_EQ(request.http.ProxyPort, 8080);
    EXPECT_EQ(request.http.HeaderInfo.Referer, "http://h/page.html");
    EXPECT_EQ(request.http.HeaderInfo.UserId, "ana");
    ASSERT_TRUE(request.http.CredentialsOrigin.has_value());
    EXPECT_EQ(request.http.CredentialsOrigin->Host, "h");
    EXPECT_EQ(request.folderPrefix, "pics/");
    EXPECT_FALSE(request.english);
    settings.proxy = false;
    EXPECT_TRUE(FileRequestSettings(settings, page).Proxy.isEmpty());
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<RunnerCase, int>> &info)
{
    return std::string(std::get<0>(info.param).name) + "_" + std::to_string(std::get<1>(info.param)) + "Slots";
}

INSTANTIATE_TEST_SUITE_P(OneAndThreeSlots, BatchRunnerTest,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Values(1, 3)), CaseName);

}  // namespace

// HTTP/2 streams beside HTTP/1.x workers: two "stream" slots that take only
// new files of https://s, one "worker" slot that takes any. The files start
// in list order, each in a slot that takes it; a stream's answer that
// redirects (NotForStreams) is asked again on the worker, not counted as an
// attempt.
TEST_F(RunnerFixture, StreamSlotsTakeOnlyTheirOriginsFilesAndHandRedirectsToAWorker)
{
    const auto stream = [](const TBatchFile &file, const TResumePoint &resume) {
        return !file.noStreams && resume.From <= 0 && file.address.startsWith("https://s/");
    };
    runner.SetSlotSource([&](int slot, int) {
        auto fake = std::make_unique<TFakeSlot>(server, true);
        fake->label = slot < 2 ? "stream" : "worker";
        fake->stream = slot < 2;
        if (slot < 2)
            fake->takes = stream;
        return fake;
    });
    const TFakeAnswer redirect = TFakeAnswer::Fault(TTransferFault::NotForStreams, "redirected");
    struct Case {
        const char *name;
        QList<QByteArray> picked;
        QList<std::pair<QByteArray, QList<TFakeAnswer>>> answers;
        QList<std::pair<QByteArray, QByteArray>> servedBy;  // in order of the starts
        int saved;
    } const cases[] = {
        {"mixed origins",
         {"https://s/1.jpg", "http://h/a.jpg", "https://s/2.jpg", "http://h/b.jpg", "https://s/3.jpg"},
         {},
         {{"stream", "https://s/1.jpg"}, {"worker", "http://h/a.jpg"}, {"stream", "https://s/2.jpg"},
          {"worker", "http://h/b.jpg"}, {"stream", "https://s/3.jpg"}},
         5},
        {"the streams' files wait for a stream while the worker is free",
         {"https://s/5.jpg", "https://s/6.jpg", "https://s/7.jpg", "http://h/c.jpg"},
         {},
         {{"stream", "https://s/5.jpg"}, {"stream", "https://s/6.jpg"}, {"stream", "https://s/7.jpg"},
          {"worker", "http://h/c.jpg"}},
         4},
        {"a redirect on a stream",
         {"https://s/r.jpg", "https://s/4.jpg"},
         {{"https://s/r.jpg", {redirect, TFakeAnswer::Ok("moved")}}},
         {{"stream", "https://s/r.jpg"}, {"stream", "https://s/4.jpg"}, {"worker", "https://s/r.jpg"}},
         2},
    };
    for (const Case &c : cases) {
        server.servedBy.clear();
        log.clear();
        for (const QByteArray &address : c.picked)
            server.answers[address] = {TFakeAnswer::Ok("picture " + address)};
        for (const auto &[address, answers] : c.answers)
            server.answers[address] = answers;
        TSettingsValues settings;
        settings.parallel = 3;
        const TBatchEnd end = runner.Run(MakeBatchRequest(c.picked, {}, settings, {}, true));
        EXPECT_EQ(end.tally.saved, c.saved) << c.name;
        EXPECT_EQ(end.tally.failed, 0) << c.name;
        EXPECT_EQ(server.servedBy, c.servedBy) << c.name;
        EXPECT_TRUE(log.filter("trying again").isEmpty()) << log.join('\n').toStdString();
    }
    EXPECT_EQ(Files(), (QStringList{"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg", "6.jpg", "7.jpg", "a.jpg", "b.jpg",
                                    "c.jpg", "r.jpg"}));
}
