#include "ui/SnapshotPan.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

TEST(SnapshotPanTest, OffsetsEndBetweenZeroAndTheSurplusWhateverADragLeft) {
    struct Case {
        int image, window, pan_before, pan_after, drawn;
    };
    for (const Case c : {Case{300, 400, 5, 0, 300}, Case{400, 400, kIntMax, 0, 400},
                         Case{1000, 400, 599, 599, 400}, Case{1000, 400, 601, 600, 400},
                         Case{1000, 400, -1, 0, 400}, Case{1000, 400, kIntMax, 600, 400},
                         Case{1000, 400, kIntMin, 0, 400}, Case{0, 400, 3, 0, 0}}) {
        int pan = c.pan_before;
        EXPECT_EQ(ClampSnapshotPanAxis(c.image, c.window, pan), c.drawn) << c.pan_before;
        EXPECT_EQ(pan, c.pan_after) << c.image << " " << c.pan_before;
    }
    int pan_x = 900;
    int pan_y = -7;
    const SnapshotPanView view = ClampSnapshotPan(1000, 300, 400, 500, pan_x, pan_y);
    EXPECT_EQ(view.draw_width, 400);
    EXPECT_EQ(view.draw_height, 300);
    EXPECT_EQ(pan_x, 600);
    EXPECT_EQ(pan_y, 0);
}

TEST(SnapshotPanTest, DragsFollowTheMouseAndSaturateInsteadOfWrapping) {
    int pan_x = 100;
    int pan_y = 100;
    DragSnapshotPan(30, 30, pan_x, pan_y);  // right and down: more of the left and the top
    EXPECT_EQ(pan_x, 70);
    EXPECT_EQ(pan_y, 130);
    pan_x = kIntMin + 10;
    pan_y = kIntMax - 10;
    DragSnapshotPan(30, 30, pan_x, pan_y);
    EXPECT_EQ(pan_x, kIntMin);
    EXPECT_EQ(pan_y, kIntMax);
    DragSnapshotPan(-30, -30, pan_x, pan_y);
    EXPECT_EQ(pan_x, kIntMin + 30);
    EXPECT_EQ(pan_y, kIntMax - 30);
}

}  // namespace
