// The focus history: the peak held and the overflows beside it, the band's exact edge, when a
// value counts as in focus, the regions beside the figures, the ring of 300, the pauses, the
// time zero and the records it saves; and the chart's scale.
#include "session/FocusHistory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "session/FocusScale.h"

namespace {

constexpr LONG kOverflow = 0x8000;

// Figures a tick apart from time 1000 of some clock, the read-out having started there.
CFocusHistory Ticked(const std::vector<LONG>& values) {
    CFocusHistory history;
    history.Resume(1000);
    int64_t now_ms = 1000;
    for (const LONG value : values)
        history.Add(now_ms += 100, value);
    return history;
}

TEST(FocusHistory, HoldsThePeakAndCountsOverflowsApart) {
    struct Case {
        const char* what;
        std::vector<LONG> values;
        bool hasPeak;
        LONG peak;
        size_t overflows;
    };
    const Case cases[] = {
        {"nothing yet", {}, false, 0, 0},
        {"rise, peak, fall", {832, 5000, 19894, 17000, 900}, true, 19894, 0},
        {"an overflow is no peak", {100, kOverflow, 200}, true, 200, 1},
        {"overflows only", {kOverflow, kOverflow}, false, 0, 2},
        {"negative figures", {-50, -7, -300}, true, -7, 0},
    };
    for (const Case& c : cases) {
        const CFocusHistory history = Ticked(c.values);
        EXPECT_EQ(history.HasPeak(), c.hasPeak) << c.what;
        EXPECT_EQ(history.Peak(), c.peak) << c.what;
        EXPECT_EQ(history.OverflowCount(), c.overflows) << c.what;
        EXPECT_EQ(history.Count(), c.values.size()) << c.what;
    }
}

TEST(FocusHistory, ResetStartsThePeakAndCountOverButKeepsTheFigures) {
    CFocusHistory history = Ticked({19894, kOverflow, 15000});
    history.ResetPeak();
    EXPECT_FALSE(history.HasPeak());
    EXPECT_EQ(history.OverflowCount(), 0u);
    EXPECT_EQ(history.Count(), 3u);
    history.Add(2000, 12000);  // lower than anything before the reset
    EXPECT_EQ(history.Peak(), 12000);
    history.Add(2100, kOverflow);
    EXPECT_EQ(history.OverflowCount(), 1u);
}

TEST(FocusHistory, BandIsNinetyPercentOfAPositivePeakToTheLastUnit) {
    struct Case {
        const char* what;
        LONG peak;
        LONG value;
        bool in;
    };
    const Case cases[] = {
        {"edge rounds up: 17904.6", 19894, 17905, true},
        {"just below it", 19894, 17904, false},
        {"the peak itself", 19894, 19894, true},
        {"whole edge", 100, 90, true},
        {"one under a whole edge", 100, 89, false},
        {"small peak", 1, 1, true},
        {"small peak, zero", 1, 0, false},
        {"no band under a zero peak", 0, 0, false},
        {"no band under a negative peak", -10, -10, false},
        {"overflow is never in it", 20000, kOverflow, false},
        {"a 32-bit product would overflow", 2147483647, 1932735283, true},
        {"and just under that", 2147483647, 1932735282, false},
    };
    for (const Case& c : cases) {
        const CFocusHistory history = Ticked({c.peak});
        EXPECT_EQ(history.InBand(c.value), c.in) << c.what;
    }
    EXPECT_FALSE(CFocusHistory().InBand(5)) << "no peak, no band";
}

// Green must mean in focus: only once the peak has been passed, for the figure and each region.
TEST(FocusHistory, InFocusOnlyOnceThePeakHasBeenPassed) {
    struct Case {
        const char* what;
        std::vector<LONG> values;
        bool inFocus;  // the last value
    };
    const Case cases[] = {
        {"start-up: the first blurred value is its own peak", {832}, false},
        {"still climbing", {100, 500, 1000}, false},
        {"passed and back in the band", {100, 1000, 800, 950}, true},
        {"passed, not back yet", {100, 1000, 800}, false},
        {"the band's edge is no fall", {1000, 900, 950}, false},
        {"one under it is", {1000, 899, 950}, true},
        {"a small rise on the same summit stays found", {1000, 800, 1050}, true},
        {"a clearly higher summit searches again", {1000, 800, 1200}, false},
        {"and is found once passed", {1000, 800, 1200, 1000, 1150}, true},
        {"overflows neither pass nor count", {1000, kOverflow, 950}, false},
    };
    for (const Case& c : cases) {
        CFocusHistory history = Ticked(c.values);
        EXPECT_EQ(history.InFocus(c.values.back()), c.inFocus) << c.what;
        // The regions follow the same rule, each on its own.
        history.Clear();
        int64_t now_ms = 0;
        for (const LONG value : c.values) {
            RegionValues mtf50;
            mtf50.fill(std::nanf(""));
            if (value != kOverflow)
                mtf50[2] = static_cast<float>(value) / 1024;  // exact in a float
            history.AddRegions(now_ms += 100, mtf50);
        }
        const CPeakTracker& peak = history.RegionPeak(SfrRegion::TopRight);
        const float last = history.LatestRegions()->mtf50[2];
        EXPECT_EQ(!std::isnan(last) && peak.InFocus(last), c.inFocus) << c.what << " (region)";
        EXPECT_FALSE(history.RegionPeak(SfrRegion::Centre).HasPeak()) << "no edge, no peak";
    }
    CFocusHistory history = Ticked({100, 1000, 800, 950});
    history.ResetPeak();
    history.Add(5000, 950);
    EXPECT_FALSE(history.InFocus(950)) << "a reset searches again";
}

TEST(FocusHistory, RegionsKeepTheirOwnRingAndPauses) {
    CFocusHistory history;
    RegionValues mtf50{0.1f, 0.2f, 0.3f, 0.4f, 0.5f};
    history.Resume(0);
    history.AddRegions(100, mtf50);
    history.Add(150, 7);
    history.Pause(200);
    history.AddRegions(300, mtf50);
    for (int i = 0; i < 305; ++i)
        history.AddRegions(400 + i * 100, mtf50);
    ASSERT_EQ(history.RegionCount(), CFocusHistory::kCapacity);
    EXPECT_EQ(history.Count(), 1u);
    EXPECT_EQ(history.RegionAt(0).elapsed_ms, 400 + 5 * 100);  // 307 taken, 7 gone
    EXPECT_FALSE(history.RegionAt(0).bAfterPause);
    history.Pause(40'000);
    history.AddRegions(40'100, mtf50);
    EXPECT_TRUE(history.LatestRegions()->bAfterPause);
    EXPECT_FLOAT_EQ(history.RegionPeak(SfrRegion::BottomRight).Peak(), 0.5f);
}

TEST(FocusHistory, KeepsTheLatest300OldestFirst) {
    CFocusHistory history;
    for (LONG i = 0; i < 305; ++i)
        history.Add(i * 100, i);
    ASSERT_EQ(history.Count(), CFocusHistory::kCapacity);
    for (size_t i = 0; i < history.Count(); ++i) {
        EXPECT_EQ(history.At(i).value, static_cast<LONG>(i + 5));
        EXPECT_EQ(history.At(i).elapsed_ms, static_cast<int64_t>(i + 5) * 100);
    }
    EXPECT_EQ(history.Latest()->value, 304);
    EXPECT_EQ(history.Peak(), 304);
    history.Add(30'500, 1);
    EXPECT_EQ(history.At(0).value, 6);
    EXPECT_EQ(history.Peak(), 304) << "the peak outlives the figure it came from";
}

TEST(FocusHistory, APauseBreaksTheLineBeforeTheNextFigureOnly) {
    CFocusHistory history;
    history.Pause(500);  // before anything ran: nothing to break, no time zero
    EXPECT_FALSE(history.IsPaused());
    history.Resume(1000);
    history.Add(1100, 10);
    history.Pause(1150);
    history.Pause(1160);  // twice is once
    history.Resume(4000);
    EXPECT_TRUE(history.IsPaused()) << "until a figure comes";
    history.Add(4100, 20);
    EXPECT_FALSE(history.IsPaused());
    history.Add(4200, 30);
    history.Pause(4250);
    history.Add(4300, 40);  // a figure without Resume still comes after the pause
    const bool expected[] = {false, true, false, true};
    ASSERT_EQ(history.Count(), std::size(expected));
    for (size_t i = 0; i < history.Count(); ++i)
        EXPECT_EQ(history.At(i).bAfterPause, expected[i]) << i;
    EXPECT_EQ(history.At(1).elapsed_ms, 3100);
}

TEST(FocusHistory, TimeCountsFromTheFirstRunAfterClearAndNeverBackwards) {
    CFocusHistory history;
    history.Resume(50'000);
    EXPECT_EQ(history.Edge_ms(), 0);
    history.Add(50'100, 1);
    history.Pause(51'000);
    EXPECT_EQ(history.Edge_ms(), 1000) << "the pause moves the chart's edge";
    history.Resume(60'000);
    EXPECT_EQ(history.Edge_ms(), 10'000);
    history.Add(59'000, 2);  // a clock that stepped back
    EXPECT_EQ(history.Latest()->elapsed_ms, 10'000);

    history.Clear();
    EXPECT_EQ(history.Count(), 0u);
    EXPECT_FALSE(history.HasPeak());
    EXPECT_EQ(history.Edge_ms(), 0);
    history.Add(70'000, 3);  // no Resume: the first figure is time zero
    history.Add(70'100, 4);
    EXPECT_EQ(history.At(0).elapsed_ms, 0);
    EXPECT_EQ(history.At(1).elapsed_ms, 100);
    EXPECT_FALSE(history.At(0).bAfterPause);
}

TEST(FocusHistory, CsvHasTheHeaderAndALinePerFigureAsTheReadOutShowsIt) {
    CFocusHistory history = Ticked({832, kOverflow, -5});
    EXPECT_EQ(history.ToCsv(), "elapsed_ms,figure\n100,832\n200,Overflow\n300,-5\n");
    EXPECT_EQ(CFocusHistory().ToCsv(), "elapsed_ms,figure\n");
}

TEST(FocusScale, RoundNumbersFromZeroToJustAboveTheHighest) {
    struct Case {
        const char* what;
        int64_t low, high;
        FocusScale expected;
    };
    const Case cases[] = {
        {"nothing yet", 0, 0, {0, 5, 1}},
        {"five ones", 0, 5, {0, 5, 1}},
        {"one more needs twos", 0, 6, {0, 6, 2}},
        {"lens at power-up", 0, 832, {0, 1000, 200}},
        {"the simulator's peak", 0, 19894, {0, 20000, 5000}},
        {"exactly on a line", 0, 1000, {0, 1000, 200}},
        {"just past it", 0, 1001, {0, 1500, 500}},
        {"low above zero still starts at zero", 100, 200, {0, 200, 50}},
        {"negative only", -1234, 0, {-1500, 0, 500}},
        {"both sides", -3, 7, {-5, 10, 5}},
        {"the largest figure", 0, 2147483647, {0, 2500000000, 500000000}},
        {"the smallest figure", -2147483648LL, 0, {-2500000000, 0, 500000000}},
    };
    for (const Case& c : cases) {
        const FocusScale s = ChooseFocusScale(c.low, c.high);
        EXPECT_EQ(s.bottom, c.expected.bottom) << c.what;
        EXPECT_EQ(s.top, c.expected.top) << c.what;
        EXPECT_EQ(s.step, c.expected.step) << c.what;
    }
}

TEST(FocusScale, AnyRangeIsCoveredInAtMostFiveStepsOfOneTwoOrFive) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int64_t> figure(-40000, 40000);
    for (int i = 0; i < 5000; ++i) {
        int64_t low = figure(random);
        int64_t high = figure(random);
        if (low > high)
            std::swap(low, high);
        const FocusScale s = ChooseFocusScale(low, high);
        ASSERT_LE(s.bottom, std::min<int64_t>(low, 0)) << low << ".." << high;
        ASSERT_GE(s.top, std::max<int64_t>(high, 0)) << low << ".." << high;
        ASSERT_EQ(s.bottom % s.step, 0);
        ASSERT_EQ(s.top % s.step, 0);
        const int64_t steps = (s.top - s.bottom) / s.step;
        ASSERT_GE(steps, 1);
        ASSERT_LE(steps, 5) << low << ".." << high;
        int64_t mantissa = s.step;
        while (mantissa % 10 == 0)
            mantissa /= 10;
        ASSERT_TRUE(mantissa == 1 || mantissa == 2 || mantissa == 5) << s.step;
    }
}

}  // namespace
