#include <gtest/gtest.h>

#include <vector>

#include "imaging/BayerDemosaic.h"
#include "imaging/RawTestImages.h"
#include "imaging/ReferenceDevelop.h"

namespace {

TEST(BayerDemosaicTest, TwoByTwoRggbGivesFourEqualPixels) {
    const BYTE samples[] = {10, 20, 30, 40};
    std::vector<BYTE> image(12, 0);
    DemosaicBayer(samples, 2, 2, 0, image.data());
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(image[size_t(3 * p)], 40) << p;      // blue
        EXPECT_EQ(image[size_t(3 * p + 1)], 25) << p;  // green
        EXPECT_EQ(image[size_t(3 * p + 2)], 10) << p;  // red
    }
}

TEST(BayerDemosaicTest, RowsAreStoredBottomUp) {
    // Only sample row 0 is lit; the last sample row (mirrored onto row 2) never sees it.
    const int width = 4, height = 4;
    std::vector<BYTE> samples(size_t(width * height), 0);
    for (int x = 0; x < width; ++x) {
        samples[size_t(x)] = 200;
    }
    std::vector<BYTE> image(size_t(3 * width * height), 0x55);
    DemosaicBayer(samples.data(), width, height, 0, image.data());
    for (int i = 0; i < 3 * width; ++i) {
        EXPECT_EQ(image[size_t(i)], 0) << "first stored row, byte " << i;
    }
    EXPECT_EQ(image[size_t(3 * width * (height - 1) + 2)], 200);  // red site of sample row 0
}

TEST(BayerDemosaicTest, MatchesThePerPixelReadingForEveryPhaseAndParity) {
    const int sizes[][2] = {{2, 2}, {3, 2}, {2, 3}, {5, 7}, {8, 6}, {33, 17}, {64, 3}};
    for (const auto& size : sizes) {
        const int width = size[0], height = size[1];
        const auto samples = RandomBytes(size_t(width * height), uint32_t(width * 131 + height));
        for (int phase = 0; phase < 4; ++phase) {
            std::vector<BYTE> expected(size_t(3 * width * height));
            std::vector<BYTE> actual(expected.size());
            reference::Demosaic(samples.data(), width, height, phase, expected.data());
            DemosaicBayer(samples.data(), width, height, phase, actual.data());
            EXPECT_EQ(actual, expected) << width << " x " << height << " phase " << phase;
        }
    }
}

TEST(BayerDemosaicTest, UndefinedInputsLeaveTheImageAlone) {
    const auto samples = RandomBytes(64, 1);
    std::vector<BYTE> image(3 * 64, 0x55);
    const std::vector<BYTE> before = image;
    DemosaicBayer(samples.data(), 4, 4, 4, image.data());
    DemosaicBayer(samples.data(), 1, 8, 0, image.data());
    DemosaicBayer(samples.data(), 8, 1, 0, image.data());
    EXPECT_EQ(image, before);
}

}  // namespace
