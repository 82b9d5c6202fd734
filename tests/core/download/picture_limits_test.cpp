// The least picture size over real transfers (the file client with one
// slot, worker threads with three): a picture below it is broken off as
// its header arrives, and an error answer whose body happens to be a
// small picture fails as an error answer, never counted as skipped.
#include "tests/core/download/real_batch.h"

#include <QFileInfo>

namespace {

struct LimitCase {
    const char *name;
    int status;
    quint32 width, height;
    TBatchTally tally;  // saved, failed, skipped
    bool brokenOff;     // fewer bytes went out than the answer holds
};

class PictureLimitsTest : public RealBatchTest<std::tuple<LimitCase, int>> {};

TEST_P(PictureLimitsTest, ASmallPictureIsBrokenOffAndAnErrorAnswerFails)
{
    const auto &[c, slotCount] = GetParam();
    FixtureResponse answer =
        FixtureResponse::Status(c.status, "X", {"Content-Type: image/png"}, PngOfSize(c.width, c.height, 64 * 1024));
    answer.Head.replace("\r\n\r\n", "\r\nContent-Length: " + QByteArray::number(answer.Body.size()) + "\r\n\r\n");
    answer.PaceBlock = 2048;  // slow enough for a look at the header while the rest comes
    answer.PaceMs = 5;
    server.Route("/p.png", answer);
    TSettingsValues settings;
    settings.parallel = slotCount;
    settings.minWidth = 400;
    settings.minHeight = 300;
    const TBatchEnd end = RunBatch({server.Url("/p.png")}, settings);
    EXPECT_EQ(end.tally.saved, c.tally.saved);
    EXPECT_EQ(end.tally.failed, c.tally.failed);
    EXPECT_EQ(end.tally.skipped, c.tally.skipped);
    // The server's tally may still lag behind a whole answer, never a broken-off one.
    if (c.brokenOff) {
        EXPECT_LT(server.BytesSent("/p.png"), answer.Head.size() + answer.Body.size());
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), c.tally.saved);
    if (c.tally.saved == 1) {
        EXPECT_EQ(QFileInfo(folder + "/p.png").size(), answer.Body.size()) << "the whole picture";
    }
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
