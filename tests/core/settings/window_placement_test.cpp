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

}  // namespace
