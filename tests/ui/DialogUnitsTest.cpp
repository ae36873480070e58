#include "ui/DialogUnits.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(DialogUnitsTest, MulDivRoundsHalvesAwayFromZeroThroughSixtyFourBits) {
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(7, 1, 4), 2);
    EXPECT_EQ(MulDiv(5, 1, 4), 1);
    const int big = std::numeric_limits<int>::max();
    EXPECT_EQ(MulDiv(big, big, big), big);  // the product alone would overflow
    EXPECT_EQ(MulDiv(big, 2, 1), -1);
    EXPECT_EQ(MulDiv(10, 10, 0), -1);
}

TEST(DialogUnitsTest, QuarterWidthsAndEighthHeightsOfTheBaseUnits) {
    const CDialogUnits units(6, 13);
    EXPECT_EQ(units.ToPixelsX(368), 552);
    EXPECT_EQ(units.ToPixelsY(271), 440);  // 440.375
    RECT rect{137, 16, 187, 30};
    units.MapDialogRect(&rect);
    EXPECT_EQ(rect.left, 206);  // 205.5
    EXPECT_EQ(rect.top, 26);
    EXPECT_EQ(rect.right, 281);  // 280.5
    EXPECT_EQ(rect.bottom, 49);  // 48.75
}

}  // namespace
