// The five regions of a frame each measure their own edge, and the tilt that the corners show:
// its signs, its arithmetic and when it is not valid.
#include <gtest/gtest.h>

#include <array>

#include "EdgeRender.h"
#include "measure/RegionSharpness.h"

namespace {

// A 640x480 frame whose regions are blurred by these sigmas (c, tl, tr, bl, br), with noise.
reference::BgrPicture Frame(const std::array<double, kSfrRegionCount>& sigmas) {
    return reference::RegionChart(640, 480, sigmas, 1.5);
}

TEST(MeasureRegionsTest, EachRegionReportsItsOwnEdge) {
    const std::array<double, kSfrRegionCount> sigmas = {0.8, 1.2, 1.8, 2.6, 3.5};
    const RegionSharpness sharpness = MeasureRegions(Frame(sigmas).View());
    for (int index = 0; index < kSfrRegionCount; ++index) {
        SCOPED_TRACE(SfrRegionKey(SfrRegion(index)));
        const EdgeSfr& sfr = sharpness.regions[index];
        ASSERT_TRUE(sfr.bEdge);
        const double truth = reference::AnalyticMtf50(sigmas[index]);
        EXPECT_NEAR(sfr.mtf50, truth, 0.03 * truth);
        EXPECT_EQ(sfr.direction, index % 2 ? EdgeDirection::Horizontal : EdgeDirection::Vertical);
    }
}

// A lens tilted about the vertical axis blurs one side more than the other.
TEST(MeasureRegionsTest, TheSharperLeftSideGivesAPositiveXTilt) {
    const ImageTilt tilt = MeasureTilt(MeasureRegions(Frame({1.5, 1.0, 2.0, 1.0, 2.0}).View()));
    ASSERT_TRUE(tilt.bValid);
    const double left = reference::AnalyticMtf50(1.0), right = reference::AnalyticMtf50(2.0);
    EXPECT_NEAR(tilt.x_percent, 100 * (left - right) / ((left + right) / 2), 3);
    EXPECT_NEAR(tilt.y_percent, 0, 2);
}

TEST(MeasureTiltTest, ComparesTheCornersSidesAsAPercentageOfTheirMean) {
    struct Case {
        const char* name;
        std::array<double, kSfrRegionCount> mtf50;  // c, tl, tr, bl, br; 0: no edge there
        bool bValid;
        double x_percent, y_percent;
    };
    const Case cases[] = {
        {"level", {0.3, 0.2, 0.2, 0.2, 0.2}, true, 0, 0},
        {"left sharper", {0.3, 0.3, 0.2, 0.3, 0.2}, true, 40, 0},
        {"right sharper", {0.3, 0.2, 0.3, 0.2, 0.3}, true, -40, 0},
        {"top sharper", {0, 0.3, 0.3, 0.1, 0.1}, true, 0, 100},
        {"bottom right sharper", {0.2, 0.1, 0.2, 0.2, 0.3}, true, -50, -50},
        {"one corner without an edge", {0.3, 0.2, 0.2, 0, 0.2}, false, 0, 0},
        {"no edge anywhere", {0, 0, 0, 0, 0}, false, 0, 0},
    };
    for (const Case& c : cases) {
        RegionSharpness sharpness;
        for (int index = 0; index < kSfrRegionCount; ++index) {
            sharpness.regions[index].bEdge = c.mtf50[index] > 0;
            sharpness.regions[index].mtf50 = c.mtf50[index];
        }
        const ImageTilt tilt = MeasureTilt(sharpness);
        EXPECT_EQ(tilt.bValid, c.bValid) << c.name;
        EXPECT_NEAR(tilt.x_percent, c.x_percent, 1e-9) << c.name;
        EXPECT_NEAR(tilt.y_percent, c.y_percent, 1e-9) << c.name;
    }
}

}  // namespace
