// The verdict of a focus run: which figures and readings the last second's medians take, and
// the words of the summary line and of each limit missed.
#include <gtest/gtest.h>

#include "app/CommandLineVerdict.h"

namespace {

constexpr LONG kOverflow = 0x8000;

RegionReadout Reading(int64_t elapsed_ms, std::array<std::optional<double>, 5> mtf50) {
    RegionReadout reading;
    reading.elapsed_ms = elapsed_ms;
    reading.mtf50 = mtf50;
    return reading;
}

CommandLineOptions Limits(std::optional<double> figure, std::optional<double> mtf50,
                          std::optional<double> tilt) {
    CommandLineOptions options;
    options.minFigure = figure;
    options.minMtf50 = mtf50;
    options.maxTilt_percent = tilt;
    return options;
}

TEST(CommandLineVerdictTest, FiguresLeaveOverflowsOutAndTakeTheLowerMiddle) {
    const std::vector<FigureSample> figures = {{100, 900},    {200, 19000},  {300, kOverflow},
                                               {1100, 15000}, {1200, 16000}, {1300, kOverflow},
                                               {1400, 14000}, {1500, 17000}, {1600, 19000}};
    const FigureStats all = SummarizeFigures(figures);
    EXPECT_EQ(FormatFocusSummary(all),
              "focus: 9 samples, min 900, median 16000, max 19000 at 200 ms, 2 overflows");
    // From 1000 ms: 14000, 15000, 16000, 17000, 19000 and an overflow.
    const FigureStats last = SummarizeFigures(figures, 1000);
    EXPECT_EQ(last.samples, 6u);
    EXPECT_EQ(*last.median, 16000);
    const FigureStats even = SummarizeFigures(figures, 1200);  // 14000 16000 17000 19000
    EXPECT_EQ(*even.median, 16000);

    const std::vector<LimitResult> met = JudgeLimits(Limits(16000, {}, {}), last, {});
    ASSERT_EQ(met.size(), 1u);
    EXPECT_TRUE(met[0].bMet);
    EXPECT_EQ(FormatMissedLimits(met), "");
    EXPECT_EQ(FormatMissedLimits(JudgeLimits(Limits(16000.5, {}, {}), last, {})),
              "limit missed: --min-figure 16000.5: median 16000 (0.5 short)");

    const FigureStats overflows = SummarizeFigures({{100, kOverflow}, {200, kOverflow}});
    EXPECT_EQ(FormatFocusSummary(overflows), "focus: 2 samples, none in range, 2 overflows");
    EXPECT_EQ(FormatMissedLimits(JudgeLimits(Limits(-50, {}, {}), overflows, {})),
              "limit missed: --min-figure -50: only overflows in the last second");
}

TEST(CommandLineVerdictTest, RegionsWithoutAnEdgeMissTheLimitsThatNeedThem) {
    const std::vector<RegionReadout> readings = {
        Reading(100, {0.1, 0.1, 0.1, 0.1, 0.1}),  // before the last second
        Reading(1100, {0.30, 0.25, 0.21, 0.27, std::nullopt}),
        Reading(1200, {0.31, 0.27, std::nullopt, 0.27, std::nullopt}),
        Reading(1300, {0.32, 0.26, 0.23, 0.25, std::nullopt}),
    };
    const RegionStats stats = SummarizeRegions(readings, 1000);
    EXPECT_EQ(stats.readings, 3u);
    EXPECT_EQ(stats.median[0], 0.31);
    EXPECT_EQ(stats.median[2], 0.21);  // the lower of the two with an edge
    EXPECT_FALSE(stats.median[4]);
    EXPECT_FALSE(stats.tilt.bValid);
    const std::vector<LimitResult> missed = JudgeLimits(Limits({}, 0.24, 10), {}, stats);
    EXPECT_EQ(missed[0].where, "br");
    EXPECT_FALSE(missed[0].measured);
    EXPECT_EQ(FormatMissedLimits(missed),
              "limits missed: --min-mtf50 0.24: tr 0.21 (0.03 short), br no edge; "
              "--max-tilt 10: no tilt measured, no edge in br");

    // The left corners beat the right ones by 0.1 on a mean of 0.25: x = 40 %.
    const RegionStats tilted = SummarizeRegions({Reading(1100, {0.3, 0.3, 0.2, 0.3, 0.2})}, 1000);
    ASSERT_TRUE(tilted.tilt.bValid);
    EXPECT_DOUBLE_EQ(tilted.tilt.x_percent, 40);
    EXPECT_DOUBLE_EQ(tilted.tilt.y_percent, 0);
    const std::vector<LimitResult> tilt = JudgeLimits(Limits({}, 0.2, 25.5), {}, tilted);
    EXPECT_TRUE(tilt[0].bMet);
    EXPECT_EQ(tilt[0].where, "tr");  // the lowest region stands for the rest
    EXPECT_EQ(tilt[1].where, "x");
    EXPECT_EQ(FormatMissedLimits(tilt), "limit missed: --max-tilt 25.5: x 40 % (14.5 over)");
}

}  // namespace
