#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "imaging/ToneCurve.h"

namespace {

TEST(ToneCurveTest, TableHoldsTheCurve) {
    EXPECT_EQ(ToneTable[0], 0);
    EXPECT_EQ(ToneTable[50], 96);
    EXPECT_EQ(ToneTable[77], 149);
    EXPECT_EQ(ToneTable[78], 149);
    EXPECT_EQ(ToneTable[128], 187);
    EXPECT_EQ(ToneTable[255], 255);
    for (int v = 1; v < 256; ++v) {
        EXPECT_GE(ToneTable[v], ToneTable[v - 1]) << v;
    }
    // The sum of all 256 entries guards against a mistyped value anywhere in the table.
    EXPECT_EQ(std::accumulate(ToneTable, ToneTable + 256, 0), 42776);
}

TEST(ToneCurveTest, MapsEveryByteOfTheImageAndNothingBeyond) {
    const int width = 5, height = 18;  // 270 bytes: every value, and an odd row length
    std::vector<BYTE> image(3 * width * height + 4, 0x42);
    for (int i = 0; i < 3 * width * height; ++i) {
        image[size_t(i)] = BYTE(i);
    }
    ApplyToneCurve(image.data(), width, height);
    for (int i = 0; i < 3 * width * height; ++i) {
        ASSERT_EQ(image[size_t(i)], ToneTable[i & 0xFF]) << i;
    }
    EXPECT_EQ(image[size_t(3 * width * height)], 0x42);
}

}  // namespace
