#include <gtest/gtest.h>

#include <numeric>

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

}  // namespace
