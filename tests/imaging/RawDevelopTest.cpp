#include <gtest/gtest.h>

#include <vector>

#include "imaging/BayerDemosaic.h"
#include "imaging/RawDevelop.h"
#include "imaging/RawTestImages.h"
#include "imaging/ReferenceDevelop.h"
#include "imaging/Sharpen.h"
#include "imaging/ToneCurve.h"

namespace {

// Samples clustered in a few bands so both sides of the sharpening threshold occur.
std::vector<BYTE> Samples(int width, int height, uint32_t seed) {
    auto samples = RandomBytes(size_t(width) * size_t(height), seed);
    for (size_t i = 0; i < samples.size(); ++i) {
        if (i % 3 != 0) {
            samples[i] = BYTE(((i / size_t(width)) % 4) * 50 + samples[i] / 32);
        }
    }
    return samples;
}

std::vector<BYTE> Developed(const std::vector<BYTE>& samples, int width, int height, int phase,
                            int threads) {
    std::vector<BYTE> image(size_t(3) * size_t(width) * size_t(height), 0x55);
    const RawSnapshotInfo info{width, height, phase, samples.data()};
    EXPECT_TRUE(DevelopRawSnapshot(info, image.data(), threads));
    return image;
}

std::vector<BYTE> ReferenceDeveloped(const std::vector<BYTE>& samples, int width, int height,
                                     int phase) {
    std::vector<BYTE> image(size_t(3) * size_t(width) * size_t(height));
    reference::Develop(samples.data(), width, height, phase, image.data());
    return image;
}

TEST(RawDevelopTest, MatchesTheReferenceForEveryPhaseSizeAndThreadCount) {
    const int sizes[][2] = {{3, 3}, {4, 3}, {3, 4}, {7, 5}, {8, 8}, {37, 12}, {20, 41}};
    for (const auto& size : sizes) {
        const int width = size[0], height = size[1];
        const auto samples = Samples(width, height, uint32_t(width * 977 + height));
        for (int phase = 0; phase < 4; ++phase) {
            const auto expected = ReferenceDeveloped(samples, width, height, phase);
            ForEachKernelBuild([&](BOOL wide) {
                for (int threads : {1, 2, 3, 7, 0}) {
                    EXPECT_EQ(Developed(samples, width, height, phase, threads), expected)
                        << width << " x " << height << " phase " << phase << " threads " << threads
                        << " wide " << wide;
                }
            });
        }
    }
}

TEST(RawDevelopTest, LargeStillMatchesTheSeparatePasses) {
    const int width = 643, height = 482;
    const auto samples = Samples(width, height, 5);
    std::vector<BYTE> passes(size_t(3 * width * height));
    DemosaicBayer(samples.data(), width, height, 3, passes.data());
    ApplyToneCurve(passes.data(), width, height);
    SharpenImage(passes.data(), width, height);
    ForEachKernelBuild([&](BOOL wide) {
        EXPECT_EQ(Developed(samples, width, height, 3, 0), passes) << wide;
        EXPECT_EQ(Developed(samples, width, height, 3, 2), passes) << wide;
    });
    EXPECT_EQ(passes, ReferenceDeveloped(samples, width, height, 3));
}

TEST(RawDevelopTest, PicturesWithoutInteriorAreOnlyDemosaicedAndToned) {
    const int sizes[][2] = {{2, 2}, {2, 9}, {9, 2}};
    for (const auto& size : sizes) {
        const auto samples = Samples(size[0], size[1], 11);
        EXPECT_EQ(Developed(samples, size[0], size[1], 1, 0),
                  ReferenceDeveloped(samples, size[0], size[1], 1));
    }
}

TEST(RawDevelopTest, RefusesWhatTheParserWouldRejectAndLeavesTheImageAlone) {
    const auto samples = Samples(4, 4, 2);
    std::vector<BYTE> image(48, 0x55);
    EXPECT_FALSE(DevelopRawSnapshot({4, 4, 4, samples.data()}, image.data()));
    EXPECT_FALSE(DevelopRawSnapshot({1, 4, 0, samples.data()}, image.data()));
    EXPECT_FALSE(DevelopRawSnapshot({4, 4, 0, nullptr}, image.data()));
    EXPECT_FALSE(DevelopRawSnapshot({4, 4, 0, samples.data()}, nullptr));
    EXPECT_EQ(image, std::vector<BYTE>(48, 0x55));
}

}  // namespace
