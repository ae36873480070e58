// The focus figure as text: the read-out's word for an overflow and the focus records.
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
    EXPECT_STREQ(kFocusRecordHeader, "elapsed_ms,figure");
}

}  // namespace
