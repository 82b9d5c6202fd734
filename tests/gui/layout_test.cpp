#include "gui/anchor_layout.h"

#include <gtest/gtest.h>

namespace {

TEST(AnchorLayout, ArrangeMovesAndStretchesByAnchors)
{
    const QSize design(600, 400), actual(700, 450);
    const QRect bounds(100, 200, 50, 20);
    EXPECT_EQ(AnchorLayout::Arrange(bounds, AnchorTopLeft, design, actual), bounds);
    EXPECT_EQ(AnchorLayout::Arrange(bounds, AnchorAll, design, actual), QRect(100, 200, 150, 70));
    EXPECT_EQ(AnchorLayout::Arrange(bounds, AnchorTopRight, design, actual), QRect(200, 200, 50, 20));
    EXPECT_EQ(AnchorLayout::Arrange(bounds, AnchorBottomLeft, design, actual), QRect(100, 250, 50, 20));
    EXPECT_EQ(AnchorLayout::Arrange(bounds, 0, design, actual), QRect(150, 225, 50, 20));
    // Shrinking below the design never gives a negative size.
    EXPECT_EQ(AnchorLayout::Arrange(bounds, AnchorAll, design, QSize(500, 300)), QRect(100, 200, 0, 0));
}

}  // namespace
