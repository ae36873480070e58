// The focus figure as text: the read-out's word for an overflow, the focus records and the
// columns the regions add to them.
#include <gtest/gtest.h>

#include "session/FocusFigure.h"

namespace {

TEST(FocusFigure, RecordIsElapsedThenTheFigureAsTheReadOutShowsIt) {
    struct Case {
        int64_t elapsed_ms;
        LONG value;
        const char* record;
    };
    const Case cases[] = {
        {0, 0, "0,0"},
        {1200, 19894, "1200,19894"},
        {1300, 0x8000, "1300,Overflow"},
        {1400, 32767, "1400,32767"},
        {1500, -1234, "1500,-1234"},
        {1600, 0x18000, "1600,98304"},  // only its low bits look like the overflow
        {3'000'000'000, 1, "3000000000,1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatFocusRecord(c.elapsed_ms, c.value), c.record);
        EXPECT_EQ(IsFocusOverflow(c.value), c.value == 0x8000) << c.value;
    }
}

TEST(FocusFigure, RegionColumnsHaveFourDecimalsAndStayEmptyWithoutAnEdge) {
    EXPECT_EQ(RegionColumnsHeader(), "mtf50_c,mtf50_tl,mtf50_tr,mtf50_bl,mtf50_br");
    RegionSharpness regions;
    regions.regions[0] = {true, 0.28174};
    regions.regions[2] = {true, 0.04996};
    regions.regions[4] = {true, 0.6};
    regions.regions[3].mtf50 = 0.3;  // no edge: the number means nothing
    EXPECT_EQ(FormatRegionColumns(&regions), ",0.2817,,0.0500,,0.6000");
    EXPECT_EQ(FormatRegionColumns(nullptr), ",,,,,") << "nothing measured";
}

}  // namespace
