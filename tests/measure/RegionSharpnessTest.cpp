// The five regions of a frame each measure their own edge, and the tilt that the corners show:
// its signs, its arithmetic and when it is not valid.
#include <gtest/gtest.h>

#include <string>

#include "EdgeRender.h"
#include "measure/RegionSharpness.h"

namespace {

// A 640x480 frame whose regions are blurred by these sigmas (c, tl, tr, bl, br).
reference::BgrPicture Frame(const std::array<double, kSfrRegionCount>& sigmas) {
    reference::BgrPicture picture = reference::MakePicture(640, 480, 128);
    for (int index = 0; index < kSfrRegionCount; ++index) {
        reference::EdgeSpec edge;
        edge.sigma_px = sigmas[index];
        edge.angle_deg = index % 2 ? 6 : -4;
        edge.bHorizontal = index >= 3;
        edge.noise = 1.5;
        edge.seed = uint32_t(index + 7);
        RenderEdge(picture, SfrRegionRect(SfrRegion(index), 640, 480), edge);
    }
    return picture;
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
        EXPECT_EQ(sfr.direction, index >= 3 ? EdgeDirection::Horizontal : EdgeDirection::Vertical);
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

struct TiltCase {
    const char* name;
    std::array<double, kSfrRegionCount> mtf50;  // c, tl, tr, bl, br; 0: no edge there
    bool bValid;
    double x_percent, y_percent;
};

class MeasureTiltTest : public testing::TestWithParam<TiltCase> {};

TEST_P(MeasureTiltTest, ComparesTheCornersSidesAsAPercentageOfTheirMean) {
    const TiltCase& c = GetParam();
    RegionSharpness sharpness;
    for (int index = 0; index < kSfrRegionCount; ++index) {
        sharpness.regions[index].bEdge = c.mtf50[index] > 0;
        sharpness.regions[index].mtf50 = c.mtf50[index];
    }
    const ImageTilt tilt = MeasureTilt(sharpness);
    EXPECT_EQ(tilt.bValid, c.bValid);
    EXPECT_NEAR(tilt.x_percent, c.x_percent, 1e-9);
    EXPECT_NEAR(tilt.y_percent, c.y_percent, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Corners, MeasureTiltTest,
    testing::Values(TiltCase{"Level", {0.3, 0.2, 0.2, 0.2, 0.2}, true, 0, 0},
                    TiltCase{"LeftSharper", {0.3, 0.3, 0.2, 0.3, 0.2}, true, 40, 0},
                    TiltCase{"RightSharper", {0.3, 0.2, 0.3, 0.2, 0.3}, true, -40, 0},
                    TiltCase{"TopSharper", {0, 0.3, 0.3, 0.1, 0.1}, true, 0, 100},
                    TiltCase{"BottomRightSharper", {0.2, 0.1, 0.2, 0.2, 0.3}, true, -50, -50},
                    TiltCase{"OneCornerWithoutEdge", {0.3, 0.2, 0.2, 0, 0.2}, false, 0, 0},
                    TiltCase{"NoEdgeAnywhere", {0, 0, 0, 0, 0}, false, 0, 0}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
