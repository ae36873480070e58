// The clipped flag's exact threshold, a saturated chart still measured, and the same result
// from a bottom-up view with padded rows as from the top-down picture.
#include <gtest/gtest.h>

#include <cstring>

#include "EdgeRender.h"
#include "measure/RegionSharpness.h"

namespace {

using reference::BgrPicture;

// Set above two percent of the region's pixels at an extreme in any one channel; extremes
// outside the region do not count.
TEST(SlantedEdgeClippedFlagTest, IsSetAboveTwoPercentOfTheRegionsPixels) {
    struct Case {
        int pixels;  // of the 80x80 = 6400, set to an extreme in one channel
        int channel;
        uint8_t value;
        bool bClipped;
    };
    for (const Case& c : {Case{0, 0, 0, false}, Case{128, 0, 0, false}, Case{129, 1, 255, true},
                          Case{129, 2, 0, true}, Case{6400, 2, 255, true}}) {
        BgrPicture picture = reference::MakePicture(100, 100, 128);
        for (int i = 0; i < c.pixels; ++i)
            picture.Pixel(10 + i % 80, 10 + i / 80)[c.channel] = c.value;
        picture.Pixel(0, 0)[0] = picture.Pixel(99, 99)[2] = 255;
        const EdgeSfr sfr = MeasureSlantedEdge(picture.View(), {10, 10, 80, 80});
        EXPECT_EQ(sfr.bClipped, c.bClipped) << c.pixels << " in channel " << c.channel;
        EXPECT_FALSE(sfr.bEdge);
    }
}

TEST(SlantedEdgeSaturatedChartTest, IsMeasuredAndMarkedClipped) {
    reference::EdgeSpec edge;
    edge.sigma_px = 1.5;
    edge.low = -80;  // levels beyond the sensor's range: both sides saturate
    edge.high = 330;
    BgrPicture picture = reference::MakePicture(80, 80, 0);
    RenderEdge(picture, {0, 0, 80, 80}, edge);
    const EdgeSfr sfr = MeasureSlantedEdge(picture.View(), {0, 0, 80, 80});
    ASSERT_TRUE(sfr.bEdge);
    EXPECT_TRUE(sfr.bClipped);
    // Clipping steepens the edge: it looks sharper than its lens.
    EXPECT_GT(sfr.mtf50, reference::AnalyticMtf50(edge.sigma_px));
    EXPECT_LT(sfr.mtf50, 1);
}

// A 640x480 chart with an edge in every region, stored bottom-up with rows padded to 4 bytes
// (as a preview frame is) and viewed from its top row with a negative stride.
TEST(SlantedEdgeBottomUpViewTest, GivesTheSameResultsAsTheTopDownPicture) {
    const int width = 642, height = 480;  // 1926 bytes a row, padded to 1928
    BgrPicture picture = reference::RegionChart(width, height, {1, 1, 1, 1, 1}, 1.5);
    std::vector<uint8_t> bottomUp(picture.bytes.size(), 0xEE);
    for (int y = 0; y < height; ++y) {
        std::memcpy(&bottomUp[size_t(height - 1 - y) * size_t(picture.stride)], picture.Pixel(0, y),
                    size_t(3) * width);
    }
    const BgrView view{&bottomUp[size_t(height - 1) * size_t(picture.stride)], width, height,
                       -picture.stride};

    const RegionSharpness expected = MeasureRegions(picture.View());
    const RegionSharpness measured = MeasureRegions(view);
    for (int index = 0; index < kSfrRegionCount; ++index) {
        SCOPED_TRACE(SfrRegionKey(SfrRegion(index)));
        const EdgeSfr& a = expected.regions[index];
        const EdgeSfr& b = measured.regions[index];
        ASSERT_TRUE(a.bEdge);
        EXPECT_TRUE(b.bEdge);
        EXPECT_EQ(a.mtf50, b.mtf50);
        EXPECT_EQ(a.mtfAt0125, b.mtfAt0125);
        EXPECT_EQ(a.direction, b.direction);
        EXPECT_EQ(a.angle_deg, b.angle_deg);
        EXPECT_EQ(a.bClipped, b.bClipped);
    }
}

}  // namespace
