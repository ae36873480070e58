// The simulated lens held to the truth, worked out here by quadrature rather than the renderer's
// closed form; the kernels' response; a rendering that does not depend on the thread count.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "sim/SimLensRender.h"
#include "sim/SimScene.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Mean of Phi(d / sigma) over the pixel (x, y), d the signed distance into the ink of `q`'s
// edge nearest the region centre: exact across the edge, a 64-point midpoint rule along it.
double IdealEdge(const SimEdgeSquare& q, int x, int y, double sigma) {
    auto phi1 = [&](double u) {  // the integral of Phi(u / sigma) du
        const double z = u / sigma;
        return u * 0.5 * std::erfc(-z / std::numbers::sqrt2) +
               sigma * std::exp(-0.5 * z * z) / std::sqrt(2 * kPi);
    };
    const bool bAcrossX = std::abs(q.ax) >= std::abs(q.ay);
    const double across = bAcrossX ? q.ax : q.ay;
    constexpr int n = 64;
    double sum = 0;
    for (int j = 0; j < n; ++j) {
        const double t = (j + 0.5) / n;
        const double px = x + (bAcrossX ? 0 : t) - q.cx, py = y + (bAcrossX ? t : 0) - q.cy;
        const double d0 = px * q.ax + py * q.ay + q.half;  // at the pixel's near side
        sum += (phi1(d0 + across) - phi1(d0)) / across;
    }
    return sum / n;
}

struct EdgeCase {
    const char* name;
    int width, height;
    int lens, tiltX, tiltY;
    bool bWholeRegion;  // compare every pixel of the region, not just those near the edge
};

void ExpectEachRegionHoldsOneEdgeBlurredByTheGaussianThere(const EdgeCase& c) {
    SimSceneConfig config;
    config.startPosition = c.lens;
    config.tiltX = c.tiltX;
    config.tiltY = c.tiltY;
    CSimScene scene(config);
    SimPlanes planes;
    scene.RenderPlanes(c.width, c.height, planes);
    const auto squares = EdgeSquares(c.width, c.height);
    const double side = kEdgeRegionSide * c.width;
    double worst = 0;
    for (int r = 0; r < kEdgeRegionCount; ++r) {
        const SimEdgeSquare& q = squares[static_cast<size_t>(r)];
        const double fx = kEdgeRegions[r][0], fy = kEdgeRegions[r][1];
        // The edge runs through the region's centre, 2 to 20 degrees off the picture's axes.
        EXPECT_NEAR((fx * c.width - q.cx) * q.ax + (fy * c.height - q.cy) * q.ay, -q.half, 1e-9);
        const double off = std::atan2(std::min(std::abs(q.ax), std::abs(q.ay)),
                                      std::max(std::abs(q.ax), std::abs(q.ay)));
        EXPECT_GT(off, 2 * kPi / 180);
        EXPECT_LT(off, 20 * kPi / 180);
        const double sigma = scene.BlurSigmaAt(fx, fy, c.width, c.lens);
        const double reach = c.bWholeRegion ? side / 2 : 3 * sigma + 2;
        for (int y = static_cast<int>(fy * c.height - side / 2);
             y < static_cast<int>(fy * c.height + side / 2); ++y) {
            for (int x = static_cast<int>(fx * c.width - side / 2);
                 x < static_cast<int>(fx * c.width + side / 2); ++x) {
                const double px = x + 0.5 - q.cx, py = y + 0.5 - q.cy;
                if (std::abs(px * q.ax + py * q.ay + q.half) > reach)
                    continue;
                const double s =
                    scene.BlurSigmaAt((x + 0.5) / c.width, (y + 0.5) / c.height, c.width, c.lens);
                const double ideal =
                    kChartPaper + (kChartInk - kChartPaper) * IdealEdge(q, x, y, s);
                for (int ch = 0; ch < 3; ++ch) {
                    const double got = planes.plane[ch][static_cast<size_t>(y) * c.width + x];
                    worst = std::max(worst, std::abs(got - ideal));
                    ASSERT_NEAR(got, ideal, 0.05) << "region " << r << " at " << x << "," << y;
                }
            }
        }
    }
    testing::Test::RecordProperty(std::string("worst ") + c.name, std::to_string(worst));
}

// Sigma at the regions' centres: 0.05, 0.35 (medium), 1.4, 5.7 pixels (large); with tilt the
// left regions are in focus at 606 and the right ones at 634, and sigma changes across a region.
TEST(SimEdgeTruthTest, EachRegionHoldsOneEdgeBlurredByTheGaussianThere) {
    for (const EdgeCase& c : {EdgeCase{"NearFocus", 640, 480, 621, 0, 0, true},
                              EdgeCase{"NearFocusWide", 1280, 720, 621, 0, 0, true},
                              EdgeCase{"NearFocusSquarer", 1000, 800, 621, 0, 0, true},
                              EdgeCase{"Small", 640, 480, 630, 0, 0, false},
                              EdgeCase{"Medium", 640, 480, 660, 0, 0, false},
                              EdgeCase{"Large", 1296, 972, 540, 0, 0, false},
                              EdgeCase{"TiltedAcross", 640, 480, 606, 40, 0, false},
                              EdgeCase{"TiltedBothWays", 1296, 972, 650, -60, 90, false}}) {
        SCOPED_TRACE(c.name);
        ExpectEachRegionHoldsOneEdgeBlurredByTheGaussianThere(c);
    }
}

TEST(SimTruthTest, Mtf50FollowsTheLensAndItsTiltAtEachPlace) {
    SimSceneConfig config;
    config.tiltX = 40;
    CSimScene scene(config);
    // The pixel's area alone passes half the contrast at 0.6034 cycles per pixel.
    EXPECT_NEAR(scene.TrueMtf50At(0.5, 0.5, 640, 620), 0.60335, 1e-4);
    EXPECT_DOUBLE_EQ(scene.TrueMtf50At(0.15, 0.15, 640, 606),
                     scene.TrueMtf50At(0.5, 0.5, 640, 620));
    EXPECT_DOUBLE_EQ(scene.TrueMtf50At(0.85, 0.85, 640, 634),
                     scene.TrueMtf50At(0.5, 0.5, 640, 620));
    EXPECT_GT(scene.TrueMtf50At(0.15, 0.85, 640, 606), scene.TrueMtf50At(0.15, 0.85, 640, 607));
    EXPECT_GT(scene.TrueMtf50At(0.15, 0.85, 640, 606), scene.TrueMtf50At(0.15, 0.85, 640, 605));
    EXPECT_DOUBLE_EQ(scene.TrueMtf50At(0.15, 0.5, 640, 620, 0, 0),
                     scene.TrueMtf50At(0.5, 0.5, 640, 620, 0, 0));
    // Far off focus a Gaussian dominates: sqrt(ln 2 / 2) / (pi sigma).
    const double sigma = scene.BlurSigma(220, 640);
    EXPECT_NEAR(TrueMtf50(sigma) * sigma, std::sqrt(std::log(2.0) / 2) / kPi, 1e-3);
}

// The MTF50 of the edge profile the squares are drawn with (an ideal edge through the pixel's
// area, turned 5 degrees) is the truth's within 1 %.
TEST(SimTruthTest, TheEdgeProfileHasTheTrueMtf50) {
    for (const double sigma : {0.0, 0.3, 0.9, 1.1, 3.0, 10.0}) {
        const double a = std::cos(kEdgeTilt_rad), b = std::sin(kEdgeTilt_rad);
        const double step = 0.01, reach = 1 + 8 * sigma;
        auto mtf = [&](double f) {
            double re = 0, im = 0;
            for (double d = -reach; d < reach; d += step) {
                const double lsf = EdgeProfile(d + step, sigma, a, b) - EdgeProfile(d, sigma, a, b);
                re += lsf * std::cos(2 * kPi * f * (d + step / 2));
                im += lsf * std::sin(2 * kPi * f * (d + step / 2));
            }
            return std::hypot(re, im);
        };
        double lo = 0, hi = 0.7;
        for (int i = 0; i < 30; ++i)
            (mtf(0.5 * (lo + hi)) > 0.5 ? lo : hi) = 0.5 * (lo + hi);
        EXPECT_NEAR(0.5 * (lo + hi) / TrueMtf50(sigma), 1.0, 0.01) << sigma;
    }
}

// Where MTF50 lies below half the sampling rate the kernels pass exactly the Gaussian's
// response there (at half the sampling rate where it lies above); elsewhere they stay within
// 5 % of it.
TEST(SimKernelTest, PassesTheGaussiansResponse) {
    for (const double sigma : {0.0, 0.05, 0.2, 0.3, 0.5, 1.0, 2.0, 3.99, 4.0, 8.0}) {
        SCOPED_TRACE(sigma);
        const int R = GaussianKernelRadius(sigma, sigma);
        auto gaussian = [&](double f) { return std::exp(-2 * kPi * kPi * sigma * sigma * f * f); };
        const double f50 = std::min(TrueMtf50(sigma), 0.5);
        EXPECT_NEAR(GaussianKernelResponse(sigma, R, f50), gaussian(f50), 2e-4);
        for (double f = 0; f <= 0.5; f += 0.05)
            EXPECT_NEAR(GaussianKernelResponse(sigma, R, f), gaussian(f), 0.05) << f;
    }
}

TEST(SimRenderTest, ThePictureIsTheSameOnOneThreadOrThree) {
    // The sharp chart too, drawn in bands (the last one short, the levels odd in height).
    const auto drawnOnOne = BuildSharpChart(400, 300, 1);
    const auto drawnOnThree = BuildSharpChart(400, 300, 3);
    for (int k = 0; k < SimSharpChart::kLevels; ++k) {
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(drawnOnOne->level[k].plane[c], drawnOnThree->level[k].plane[c]) << k;
        const auto& a = drawnOnOne->blocks[k].block;
        const auto& b = drawnOnThree->blocks[k].block;
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_TRUE(a[i].lo == b[i].lo && a[i].hi == b[i].hi && a[i].bColour == b[i].bColour)
                << k << ", block " << i;
        }
    }
    const SimSharpChart& chart = *drawnOnOne;
    for (int lens : {600, 300}) {
        SimSigmaField field;
        field.a = lens - 620 + 20;
        field.bx = -70.0 / 400;
        field.by = 30.0 / 300;
        field.perStep = 0.035 * 400 / 640;
        field.cap = 40.0 * 400 / 640;
        std::vector<BYTE> one(400 * 300 * 3), three(one.size());
        RenderThroughLens(chart, field, false, 1, {one.data(), nullptr});
        RenderThroughLens(chart, field, false, 3, {three.data(), nullptr});
        EXPECT_EQ(one, three) << lens;
    }
}

}  // namespace
