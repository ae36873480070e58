// The five regions' squares: exact pixels for the sizes the camera delivers and for odd ones,
// and inside the picture for every size.
#include <gtest/gtest.h>

#include <ostream>

#include "measure/SfrRegions.h"

void PrintTo(const SfrRect& rect, std::ostream* out) {
    *out << rect.width << "x" << rect.height << " at (" << rect.left << ", " << rect.top << ")";
}

namespace {

// Side width/8 rounded half up, cut to the picture; centres at 50 %, 15 % and 85 %, the first
// pixel rounded.
TEST(SfrRegionsTest, EachRegionIsItsSquareClippedToThePicture) {
    struct Case {
        int width, height, side_x, side_y;
        int corner[kSfrRegionCount][2];  // left and top of c, tl, tr, bl, br
    };
    const Case cases[] = {
        {640, 480, 80, 80, {{280, 200}, {56, 32}, {504, 32}, {56, 368}, {504, 368}}},
        {2592, 1944, 324, 324, {{1134, 810}, {227, 130}, {2041, 130}, {227, 1490}, {2041, 1490}}},
        {641, 479, 80, 80, {{281, 200}, {56, 32}, {505, 32}, {56, 367}, {505, 367}}},
        {1000, 16, 125, 16, {{438, 0}, {88, 0}, {788, 0}, {88, 0}, {788, 0}}},  // only 16 rows
        {16, 16, 2, 2, {{7, 7}, {1, 1}, {13, 1}, {1, 13}, {13, 13}}},
        {5, 3, 1, 1, {{2, 1}, {0, 0}, {4, 0}, {0, 2}, {4, 2}}},
    };
    for (const Case& c : cases) {
        for (int r = 0; r < kSfrRegionCount; ++r) {
            const SfrRect expected{c.corner[r][0], c.corner[r][1], c.side_x, c.side_y};
            EXPECT_EQ(SfrRegionRect(SfrRegion(r), c.width, c.height), expected)
                << c.width << "x" << c.height << " " << SfrRegionKey(SfrRegion(r));
        }
    }
}

TEST(SfrRegionRectTest, EverySizeGivesSquaresInsideThePictureOrNothing) {
    for (int width = -1; width <= 300; ++width) {
        for (int height : {-5, 0, 1, 2, 7, 16, 17, 99, 240, 1000}) {
            for (int index = 0; index < kSfrRegionCount; ++index) {
                const SfrRect r = SfrRegionRect(SfrRegion(index), width, height);
                SCOPED_TRACE(testing::Message() << width << "x" << height << " " << index);
                ASSERT_GE(r.width, 0);
                ASSERT_GE(r.height, 0);
                if (r.width == 0 || r.height == 0) {
                    ASSERT_TRUE(width < 4 || height < 1);  // a side of width / 8 rounds to 0
                    continue;
                }
                ASSERT_GE(r.left, 0);
                ASSERT_GE(r.top, 0);
                ASSERT_LE(r.left + r.width, width);
                ASSERT_LE(r.top + r.height, height);
                ASSERT_EQ(r.width, (width + 4) / 8);  // never cut sideways: 0.15 > 1/16
            }
        }
    }
}

}  // namespace
