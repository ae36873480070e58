#include <gtest/gtest.h>

#include "imaging/ColorSpace.h"

namespace {

struct Triple {
    int a, b, c;
    bool operator==(const Triple&) const = default;
};

Triple Forward(int red, int green, int blue) {
    Triple t{};
    RgbToYCbCr(red, green, blue, t.a, t.b, t.c);
    return t;
}

Triple Backward(int y, int cr, int cb) {
    Triple t{};
    YCbCrToRgb(y, cr, cb, t.a, t.b, t.c);
    return t;
}

TEST(ColorSpaceTest, GreysHaveNeutralChromaAndStudioRangeLuma) {
    for (int v = 0; v < 256; ++v) {
        const Triple t = Forward(v, v, v);
        EXPECT_EQ(t.b, 128) << v;
        EXPECT_EQ(t.c, 128) << v;
    }
    EXPECT_EQ(Forward(0, 0, 0).a, 16);
    EXPECT_EQ(Forward(255, 255, 255).a, 235);
    EXPECT_EQ(Backward(16, 128, 128), (Triple{0, 0, 0}));
    EXPECT_EQ(Backward(235, 128, 128), (Triple{254, 254, 254}));
}

TEST(ColorSpaceTest, DoubleArithmeticThenTruncationThenClamping) {
    // On paper these are 62 and 3; in double they fall just short and truncate down.
    EXPECT_EQ(Forward(170, 4, 3), (Triple{61, 200, 102}));
    EXPECT_EQ(Forward(252, 37, 6), (Triple{99, 224, 82}));
    EXPECT_EQ(Backward(46, 108, 128), (Triple{2, 51, 34}));
    EXPECT_EQ(Backward(80, 102, 128), (Triple{32, 95, 74}));
    // Out-of-range results truncate first, then clamp to 0..255.
    EXPECT_EQ(Backward(0, 0, 0), (Triple{0, 135, 0}));
    EXPECT_EQ(Forward(-500, 0, 0), (Triple{0, 0, 202}));
}

}  // namespace
