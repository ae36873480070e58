#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "sim/SimChart.h"
#include "sim/SimScene.h"

namespace {

TEST(SimSceneTest, FocusFigurePeaksAtTheInFocusPositionAndFallsBothWays) {
    CSimScene scene;
    const int focus = scene.Config().inFocusPosition;
    const LONG peak = scene.FocusFigureAt(focus);
    EXPECT_GT(peak, 1000);
    EXPECT_LT(peak, 0x8000);
    LONG previousLeft = peak, previousRight = peak;
    for (int off : {20, 60, 150, 300}) {
        const LONG left = scene.FocusFigureAt(focus - off),
                   right = scene.FocusFigureAt(focus + off);
        EXPECT_LT(left, previousLeft) << off;
        EXPECT_LT(right, previousRight) << off;
        previousLeft = left;
        previousRight = right;
    }
    EXPECT_LT(previousLeft * 5, peak);  // far out of focus the figure is a fraction of the peak

    SimSceneConfig hot;
    hot.focusGain = 100.0;
    EXPECT_EQ(CSimScene(hot).FocusFigureAt(hot.inFocusPosition), CSimScene::kFocusOverflow);
}

TEST(SimSceneTest, BlurKeepsBrightnessAndHasTheRequestedSpread) {
    // A bright vertical line spreads sideways into a profile whose deviation is sigma.
    const int w = 101, h = 21;
    for (double sigma : {0.7, 2.3, 6.0}) {
        std::vector<BYTE> image(static_cast<size_t>(w) * h * 3, 0);
        for (int y = 0; y < h; ++y)
            image[(static_cast<size_t>(y) * w + 50) * 3 + 1] = 255;
        BlurBgr(w, h, sigma, image);
        double sum = 0, variance = 0;
        const int y = h / 2;
        for (int x = 0; x < w; ++x) {
            const double v = image[(static_cast<size_t>(y) * w + x) * 3 + 1];
            sum += v;
            variance += v * (x - 50) * (x - 50);
            EXPECT_EQ(image[(static_cast<size_t>(y) * w + x) * 3], 0);  // channels stay apart
        }
        EXPECT_NEAR(sum, 255, 255 * 0.05) << sigma;
        EXPECT_NEAR(std::sqrt(variance / sum), sigma, 0.15 + sigma * 0.05) << sigma;
    }
    std::vector<BYTE> flat(static_cast<size_t>(w) * h * 3, 77);
    BlurBgr(w, h, 9.0, flat);
    EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](BYTE v) { return v == 77; }));
}

TEST(SimSceneTest, RowsComeOutInTheAskedOrderAndStride) {
    CSimScene scene;
    const int w = 64, h = 48;
    const size_t stride = w * 3 + 5;
    std::vector<BYTE> down(stride * h, 0xCD), up(stride * h, 0xCD);
    scene.RenderBgr(w, h, down.data(), stride, false);
    scene.RenderBgr(w, h, up.data(), stride, true);
    for (int y = 0; y < h; ++y) {
        EXPECT_TRUE(
            std::equal(&down[y * stride], &down[y * stride] + w * 3, &up[(h - 1 - y) * stride]))
            << y;
        EXPECT_EQ(down[y * stride + w * 3], 0xCD);  // the padding is not written
    }
    // The chart is not blank: it has both ink and paper.
    const auto [lo, hi] = std::minmax_element(down.begin(), down.begin() + w * 3 * h / 2);
    EXPECT_LT(*lo, 60);
    EXPECT_GT(*hi, 200);
}

TEST(SimSceneTest, BayerSamplesTakeTheChannelOfTheirSite) {
    CSimScene scene;
    const int w = 40, h = 30;
    std::vector<BYTE> bgr(static_cast<size_t>(w) * h * 3);
    scene.RenderBgr(w, h, bgr.data(), w * 3, false);
    // Channel under (y even x even, y even x odd, y odd x even, y odd x odd); 0 blue, 2 red.
    const int expected[4][4] = {{2, 1, 1, 0}, {1, 2, 0, 1}, {1, 0, 2, 1}, {0, 1, 1, 2}};
    for (int phase = 0; phase < 4; ++phase) {
        std::vector<BYTE> raw(static_cast<size_t>(w) * h);
        scene.RenderBayer(w, h, phase, raw.data());
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const int channel = expected[phase][2 * (y & 1) + (x & 1)];
                ASSERT_EQ(raw[y * w + x], bgr[(y * w + x) * 3 + channel])
                    << phase << " " << x << "," << y;
            }
        }
    }
}

}  // namespace
