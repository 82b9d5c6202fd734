// The least picture size over real transfers (the file client with one
// slot, worker threads with three): a picture below it is broken off as
// its header arrives, and an error answer whose body happens to be a
// small picture fails as an error answer, never counted as skipped.
#include "core/download/batch_request.h"
#include "core/download/batch_runner.h"
#include "core/settings/client_settings.h"
#include "net/http_client.h"
#include "tests/support/fixture_http_server.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// A PNG's signature and IHDR with the size, then 64 KiB of filler.
QByteArray PngOfSize(quint32 width, quint32 height)
{
    QByteArray bytes("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
    for (quint32 v : {width, height})
        bytes += QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
    return bytes + QByteArray(64 * 1024, '\x11');
}

struct LimitCase {
    const char *name;
    int status;
    quint32 width, height;
    TBatchTally tally;  // saved, failed, skipped
    bool brokenOff;     // fewer bytes went out than the answer holds
};

class PictureLimitsTest : public ::testing::TestWithParam<std::tuple<LimitCase, int>> {};

TEST_P(PictureLimitsTest, ASmallPictureIsBrokenOffAndAnErrorAnswerFails)
{
    const auto &[c, slotCount] = GetParam();
    const QString folder = testenv::NewFolder("limits"), before = QDir::currentPath();
    QDir::setCurrent(folder);
    FixtureHttpServer server;
    FixtureResponse answer = FixtureResponse::Status(c.status, "X", {"Content-Type: image/png"}, PngOfSize(c.width, c.height));
    answer.Head.replace("\r\n\r\n", "\r\nContent-Length: " + QByteArray::number(answer.Body.size()) + "\r\n\r\n");
    answer.PaceBlock = 2048;  // slow enough for a look at the header while the rest comes
    answer.PaceMs = 5;
    server.Route("/p.png", answer);
    THttpClient pages, files;
    ConfigureHttpClients(pages, files);
    TBatchRunner runner;
    runner.SetClients(&files, &pages);
    TSettingsValues settings;
    settings.parallel = slotCount;
    settings.minWidth = 400;
    settings.minHeight = 300;
    TBatchRequest request = MakeBatchRequest({server.Url("/p.png")}, {}, settings, {}, true);
    request.http = THttpRequestSettings::Of(files);
    const TBatchEnd end = runner.Run(request);
    QDir::setCurrent(before);
    EXPECT_EQ(end.tally.saved, c.tally.saved);
    EXPECT_EQ(end.tally.failed, c.tally.failed);
    EXPECT_EQ(end.tally.skipped, c.tally.skipped);
    EXPECT_EQ(server.BytesSent("/p.png") < answer.Head.size() + answer.Body.size(), c.brokenOff)
        << server.BytesSent("/p.png");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), c.tally.saved);
}

const LimitCase kLimits[] = {
    {"SmallPicture", 200, 120, 90, {0, 0, 1, 0}, true},
    {"LargePicture", 200, 640, 480, {1, 0, 0, 0}, false},
    {"ErrorAnswerHoldingASmallPicture", 404, 1, 1, {0, 1, 0, 0}, false},
};

INSTANTIATE_TEST_SUITE_P(OneAndThreeSlots, PictureLimitsTest,
                         ::testing::Combine(::testing::ValuesIn(kLimits), ::testing::Values(1, 3)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name) + "_"
                                    + std::to_string(std::get<1>(info.param));
                         });

}  // namespace
