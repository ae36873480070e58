// MTF50 of rendered edges against the closed form, across the sigmas, angles, orientations,
// contrasts and noise a preview's and a still's region see.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "EdgeRender.h"
#include "measure/SlantedEdge.h"

namespace {

struct AccuracyCase {
    double sigma;
    double angle;
    bool bHorizontal;
    bool bFalling;
    int low, high;
    bool bNoise;
    int side;  // the square region's side: 80 for a 640-wide frame, 324 for a 2592-wide still
};

// Each sigma in both regions, four ways: the corners of the grid (3 and 10 degrees, the
// extreme sigmas) and, for the sigmas between, angles inside it.
std::vector<AccuracyCase> Cases() {
    const double sigmas[] = {0.4, 0.55, 0.7, 1.0, 1.5, 2.5, 4.0};
    std::vector<AccuracyCase> cases;
    for (size_t s = 0; s < std::size(sigmas); ++s) {
        const double small = s % 2 ? 5 : 3, large = s % 2 ? 7.5 : 10;
        for (int side : {80, 324}) {
            cases.push_back({sigmas[s], small, false, false, 50, 200, false, side});
            cases.push_back({sigmas[s], -large, true, true, 22, 220, true, side});
            cases.push_back({sigmas[s], large, true, false, 22, 220, false, side});
            cases.push_back({sigmas[s], -small, false, true, 50, 200, true, side});
        }
    }
    return cases;
}

void ExpectMtf50OfTheGaussianAndPixelAperture(const AccuracyCase& c) {
    reference::EdgeSpec edge;
    edge.sigma_px = c.sigma;
    edge.angle_deg = c.angle;
    edge.bHorizontal = c.bHorizontal;
    edge.bFalling = c.bFalling;
    edge.low = c.low;
    edge.high = c.high;
    edge.noise = c.bNoise ? (c.high - c.low) / 100.0 : 0;
    reference::BgrPicture picture = reference::MakePicture(c.side, c.side, 0);
    RenderEdge(picture, {0, 0, c.side, c.side}, edge);

    const EdgeSfr sfr = MeasureSlantedEdge(picture.View(), {0, 0, c.side, c.side});

    ASSERT_TRUE(sfr.bEdge);
    const double truth = reference::AnalyticMtf50(c.sigma);
    const double tolerance = c.sigma < 0.7 ? 0.05 : 0.03;
    EXPECT_NEAR(sfr.mtf50, truth, tolerance * truth);
    EXPECT_NEAR(sfr.mtfAt0125, reference::AnalyticMtf(c.sigma, 0.125), 0.02);
    EXPECT_EQ(sfr.direction, c.bHorizontal ? EdgeDirection::Horizontal : EdgeDirection::Vertical);
    EXPECT_NEAR(sfr.angle_deg, c.angle, 0.1);
    EXPECT_FALSE(sfr.bClipped);
}

TEST(SlantedEdgeAccuracyTest, Mtf50MatchesTheGaussianAndPixelAperture) {
    for (const AccuracyCase& c : Cases()) {
        SCOPED_TRACE(testing::Message()
                     << "sigma " << c.sigma << " at " << c.angle << ", " << c.side);
        ExpectMtf50OfTheGaussianAndPixelAperture(c);
    }
}

}  // namespace
