// The five regions' squares: exact pixels for the sizes the camera delivers and for odd ones,
// and inside the picture for every size.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

#include "measure/SfrRegions.h"

void PrintTo(const SfrRect& rect, std::ostream* out) {
    *out << rect.width << "x" << rect.height << " at (" << rect.left << ", " << rect.top << ")";
}

namespace {

struct RegionCase {
    int width, height;
    std::array<SfrRect, kSfrRegionCount> rects;  // c, tl, tr, bl, br
};

class SfrRegionsTest : public testing::TestWithParam<RegionCase> {};

TEST_P(SfrRegionsTest, EachRegionIsItsSquareClippedToThePicture) {
    const RegionCase& c = GetParam();
    for (int index = 0; index < kSfrRegionCount; ++index) {
        EXPECT_EQ(SfrRegionRect(SfrRegion(index), c.width, c.height), c.rects[index])
            << SfrRegionKey(SfrRegion(index));
    }
}

// Side width/8 rounded half up; centres at 50 %, 15 % and 85 %, the first pixel rounded.
INSTANTIATE_TEST_SUITE_P(
    Sizes, SfrRegionsTest,
    testing::Values(
        RegionCase{640,
                   480,
                   {{{280, 200, 80, 80},
                     {56, 32, 80, 80},
                     {504, 32, 80, 80},
                     {56, 368, 80, 80},
                     {504, 368, 80, 80}}}},
        RegionCase{2592,
                   1944,
                   {{{1134, 810, 324, 324},
                     {227, 130, 324, 324},
                     {2041, 130, 324, 324},
                     {227, 1490, 324, 324},
                     {2041, 1490, 324, 324}}}},
        RegionCase{641,
                   479,
                   {{{281, 200, 80, 80},
                     {56, 32, 80, 80},
                     {505, 32, 80, 80},
                     {56, 367, 80, 80},
                     {505, 367, 80, 80}}}},
        // Only 16 rows: every square is cut to the picture's height.
        RegionCase{1000,
                   16,
                   {{{438, 0, 125, 16},
                     {88, 0, 125, 16},
                     {788, 0, 125, 16},
                     {88, 0, 125, 16},
                     {788, 0, 125, 16}}}},
        RegionCase{
            16, 16, {{{7, 7, 2, 2}, {1, 1, 2, 2}, {13, 1, 2, 2}, {1, 13, 2, 2}, {13, 13, 2, 2}}}},
        RegionCase{5, 3, {{{2, 1, 1, 1}, {0, 0, 1, 1}, {4, 0, 1, 1}, {0, 2, 1, 1}, {4, 2, 1, 1}}}}),
    [](const auto& p) {
        return std::to_string(p.param.width) + "x" + std::to_string(p.param.height);
    });

TEST(SfrRegionKeyTest, KeysAreTheCsvSuffixesInIndexOrder) {
    const char* keys[] = {"c", "tl", "tr", "bl", "br"};
    for (int index = 0; index < kSfrRegionCount; ++index) {
        EXPECT_STREQ(SfrRegionKey(SfrRegion(index)), keys[index]);
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
