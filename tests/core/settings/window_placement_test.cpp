#include "core/settings/window_placement.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const QSize kMinimum(670, 520);
const QPoint kDefault(20, 20);
const QList<QRect> kOneScreen{QRect(0, 0, 1920, 1040)};
// A second screen to the left of and above the first.
const QList<QRect> kTwoScreens{QRect(0, 0, 1920, 1040), QRect(-1280, -200, 1280, 1024)};

TEST(WindowPlacement, StoredBoundsOnAScreenAreKeptAndTheSizeIsAtLeastTheMinimum)
{
    EXPECT_EQ(PlacedBounds({40, 50, 800, 600}, kMinimum, kDefault, kOneScreen), QRect(40, 50, 800, 600));
    EXPECT_EQ(PlacedBounds({40, 50, 100, 300}, kMinimum, kDefault, kOneScreen), QRect(40, 50, 670, 520));
    EXPECT_EQ(PlacedBounds({-900, -100, 800, 600}, kMinimum, kDefault, kTwoScreens), QRect(-900, -100, 800, 600));
    // Partly off the screen but with enough of the title bar to grab.
    EXPECT_EQ(PlacedBounds({1700, 500, 800, 600}, kMinimum, kDefault, kOneScreen), QRect(1700, 500, 800, 600));
}

TEST(WindowPlacement, AWindowOffEveryScreenComesBackToTheDefaultPlace)
{
    EXPECT_EQ(PlacedBounds({5000, 50, 800, 600}, kMinimum, kDefault, kOneScreen), QRect(20, 20, 800, 600));
    EXPECT_EQ(PlacedBounds({40, -300, 800, 600}, kMinimum, kDefault, kOneScreen), QRect(20, 20, 800, 600));
    EXPECT_EQ(PlacedBounds({1850, 50, 800, 600}, kMinimum, kDefault, kOneScreen), QRect(20, 20, 800, 600));
    // The screen that held it is gone.
    EXPECT_EQ(PlacedBounds({-900, -100, 800, 600}, kMinimum, kDefault, kOneScreen), QRect(20, 20, 800, 600));
}

TEST(WindowPlacement, ExtremeStoredValuesNeitherOverflowNorOutgrowTheScreens)
{
    constexpr qint64 kMax = std::numeric_limits<qint32>::max();
    constexpr qint64 kMin = std::numeric_limits<qint32>::min();
    EXPECT_EQ(PlacedBounds({kMax, kMax, kMax, kMax}, kMinimum, kDefault, kOneScreen), QRect(20, 20, 1920, 1040));
    EXPECT_EQ(PlacedBounds({kMin, kMin, kMin, kMin}, kMinimum, kDefault, kOneScreen), QRect(20, 20, 670, 520));
    EXPECT_EQ(PlacedBounds({100, 100, kMax, 600}, kMinimum, kDefault, kTwoScreens), QRect(100, 100, 1920, 600));
    // A screen smaller than the minimum: the minimum wins.
    EXPECT_EQ(PlacedBounds({0, 0, 800, 600}, kMinimum, kDefault, {QRect(0, 0, 640, 480)}), QRect(0, 0, 670, 520));
    // No screens known: the size is bounded, the position kept in range.
    EXPECT_EQ(PlacedBounds({kMax, kMin, kMax, 600}, kMinimum, kDefault, {}), QRect(32767, -32767, 32767, 600));
}

// 1024x600 at scale 1.5 (a panel of 24 on top), and a large screen.
TEST(WindowPlacement, AtTheDefaultPlaceAWindowShrinksThenMovesToShowWhole)
{
    const QSize least(500, 320), frame(16, 40);
    const QList<QRect> small{QRect(0, 24, 683, 376)};
    const struct {
        QRect bounds;
        QList<QRect> screens;
        QRect fitted;
    } rows[] = {
        {{20, 20, 670, 560}, kOneScreen, {20, 20, 670, 560}},          // fits: kept
        {{20, 24, 670, 560}, small, {20, 24, 647, 336}},               // made smaller
        {{20, 200, 670, 560}, {QRect(0, 24, 683, 320)}, {20, 24, 647, 320}},  // least too tall: moved up
        {{900, 20, 670, 560}, kTwoScreens, {900, 20, 670, 560}},       // on the first screen, fits
        {{-500, 0, 670, 900}, kTwoScreens, {-516, 0, 500, 784}},       // on the second screen, moved left
        {{20, 20, 670, 560}, {}, {20, 20, 670, 560}},                  // no screens known
    };
    for (const auto &row : rows)
        EXPECT_EQ(FittedAtDefaultPlace(row.bounds, least, frame, row.screens), row.fitted) << row.bounds.x();
}

}  // namespace
