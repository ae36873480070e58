// The preview's regions measured off the user-interface thread: what a frame of each layout
// gives, that a burst of frames is thinned rather than queued, forgetting, and stills. Frames
// too small for an edge are the measurement's own test.
#include "session/RegionMeter.h"

#include <gtest/gtest.h>

#include <cstring>

#include "EdgeRender.h"

namespace {

using reference::AnalyticMtf50;
using reference::BgrPicture;

// A chart with one slanted edge of blur `sigma` in each of the five regions.
BgrPicture Chart(double sigma, int width = 640, int height = 480) {
    return reference::RegionChart(width, height, {sigma, sigma, sigma, sigma, sigma});
}

// The picture as a renderer receives it: RGB24 rows bottom-up, or YUY2 (grey: Y, U = V = 128).
struct Frame {
    std::vector<BYTE> bytes;
    VideoFrameRef ref;
};

Frame AsFrame(const BgrPicture& picture, bool bYuy2) {
    Frame frame;
    VideoFrameRef& ref = frame.ref;
    ref.subtype = bYuy2 ? MEDIASUBTYPE_YUY2 : MEDIASUBTYPE_RGB24;
    ref.width = picture.width;
    ref.height = picture.height;
    ref.rowBytes = bYuy2 ? picture.width * 2 : static_cast<ULONG>(picture.stride);
    frame.bytes.resize(ref.FrameBytes());
    for (int y = 0; y < picture.height; ++y) {
        const BYTE* src = picture.bytes.data() + y * picture.stride;
        BYTE* dst = frame.bytes.data() + ref.rowBytes * (bYuy2 ? y : picture.height - 1 - y);
        if (!bYuy2) {
            std::memcpy(dst, src, ref.rowBytes);
            continue;
        }
        for (int x = 0; x < picture.width; ++x) {
            dst[2 * x] = src[3 * x];
            dst[2 * x + 1] = 128;
        }
    }
    ref.pData = frame.bytes.data();
    ref.cbData = static_cast<ULONG>(frame.bytes.size());
    return frame;
}

TEST(RegionMeter, MeasuresEveryRegionOfAFrameInEitherLayout) {
    const BgrPicture picture = Chart(1.2);
    const double truth = AnalyticMtf50(1.2);
    for (const bool bYuy2 : {false, true}) {
        SCOPED_TRACE(bYuy2 ? "YUY2" : "RGB24");
        CRegionMeter meter;
        RegionReading reading;
        EXPECT_FALSE(meter.Latest(reading)) << "nothing yet";
        const Frame frame = AsFrame(picture, bYuy2);
        meter.OnFrame(frame.ref);
        meter.WaitIdle();
        ASSERT_TRUE(meter.Latest(reading));
        EXPECT_EQ(reading.sequence, 1u);
        EXPECT_EQ(reading.width, 640);
        EXPECT_EQ(reading.height, 480);
        for (int r = 0; r < kSfrRegionCount; ++r) {
            const EdgeSfr& region = reading.sharpness.regions[r];
            ASSERT_TRUE(region.bEdge) << SfrRegionKey(SfrRegion(r));
            EXPECT_NEAR(region.mtf50, truth, 0.03 * truth) << SfrRegionKey(SfrRegion(r));
            EXPECT_EQ(region.direction,
                      r % 2 ? EdgeDirection::Horizontal : EdgeDirection::Vertical);
        }
        meter.Forget();
        EXPECT_FALSE(meter.Latest(reading)) << "forgotten";
    }
}

TEST(RegionMeter, ABurstIsThinnedNeverQueued) {
    const Frame frame = AsFrame(Chart(2.0), false);
    CRegionMeter meter;
    constexpr int kBurst = 50;
    for (int i = 0; i < kBurst; ++i)
        meter.OnFrame(frame.ref);
    meter.WaitIdle();
    EXPECT_EQ(meter.FramesMeasured() + meter.FramesDropped(), uint64_t{kBurst});
    EXPECT_GE(meter.FramesMeasured(), 1u);
    EXPECT_LT(meter.FramesMeasured(), uint64_t{kBurst}) << "frames were waiting, not dropped";
}

TEST(RegionMeter, AStillIsMeasuredBottomUpAsThePictureIsTopDown) {
    const BgrPicture picture = Chart(0.9, 1296, 972);
    const std::vector<BYTE> still = reference::BottomUpStill(picture);
    const RegionSharpness fromStill =
        MeasureStillRegions(still.data(), picture.width, picture.height);
    const RegionSharpness fromPicture = MeasureRegions(picture.View());
    for (int r = 0; r < kSfrRegionCount; ++r) {
        ASSERT_TRUE(fromStill.regions[r].bEdge);
        EXPECT_DOUBLE_EQ(fromStill.regions[r].mtf50, fromPicture.regions[r].mtf50);
    }
    EXPECT_FALSE(MeasureStillRegions(nullptr, 10, 10).regions[0].bEdge);
}

}  // namespace
