#include "ui/SnapshotPan.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

TEST(SnapshotPanTest, ImageThatFitsIsDrawnWholeWithTheOffsetForcedToZero) {
    for (const int pan_before : {0, 5, -5, 1000, kIntMin, kIntMax}) {
        int pan = pan_before;
        EXPECT_EQ(ClampSnapshotPanAxis(300, 400, pan), 300);
        EXPECT_EQ(pan, 0);
        pan = pan_before;
        EXPECT_EQ(ClampSnapshotPanAxis(400, 400, pan), 400);  // exactly as wide: no panning
        EXPECT_EQ(pan, 0);
    }
}

TEST(SnapshotPanTest, LargerImageKeepsTheOffsetBetweenZeroAndTheSurplus) {
    struct Case {
        int pan_before;
        int pan_after;
    };
    // 1000 pixels seen through 400: offsets 0 .. 600.
    for (const Case c :
         {Case{0, 0}, Case{1, 1}, Case{599, 599}, Case{600, 600}, Case{601, 600}, Case{5000, 600},
          Case{-1, 0}, Case{-5000, 0}, Case{kIntMax, 600}, Case{kIntMin, 0}}) {
        int pan = c.pan_before;
        EXPECT_EQ(ClampSnapshotPanAxis(1000, 400, pan), 400) << c.pan_before;
        EXPECT_EQ(pan, c.pan_after) << c.pan_before;
    }
}

TEST(SnapshotPanTest, BothAxesAreClampedIndependently) {
    int pan_x = 900;
    int pan_y = -7;
    const SnapshotPanView view = ClampSnapshotPan(1000, 300, 400, 500, pan_x, pan_y);
    EXPECT_EQ(view.draw_width, 400);
    EXPECT_EQ(view.draw_height, 300);
    EXPECT_EQ(pan_x, 600);
    EXPECT_EQ(pan_y, 0);
}

TEST(SnapshotPanTest, ImageWithoutPixelsDrawsNothing) {
    int pan_x = 3;
    int pan_y = 3;
    const SnapshotPanView view = ClampSnapshotPan(0, 0, 400, 300, pan_x, pan_y);
    EXPECT_EQ(view.draw_width, 0);
    EXPECT_EQ(view.draw_height, 0);
    EXPECT_EQ(pan_x, 0);
    EXPECT_EQ(pan_y, 0);
}

TEST(SnapshotPanTest, TheDragFollowsTheMouse) {
    int pan_x = 100;
    int pan_y = 100;
    DragSnapshotPan(30, 0, pan_x, pan_y);  // right: more of the left side
    EXPECT_EQ(pan_x, 70);
    EXPECT_EQ(pan_y, 100);
    DragSnapshotPan(0, 30, pan_x, pan_y);  // down: more of the top
    EXPECT_EQ(pan_x, 70);
    EXPECT_EQ(pan_y, 130);
    DragSnapshotPan(-200, -300, pan_x, pan_y);  // no limits until the next paint
    EXPECT_EQ(pan_x, 270);
    EXPECT_EQ(pan_y, -170);
}

TEST(SnapshotPanTest, LongDragsSaturateInsteadOfWrapping) {
    int pan_x = kIntMin + 10;
    int pan_y = kIntMax - 10;
    DragSnapshotPan(30, 30, pan_x, pan_y);
    EXPECT_EQ(pan_x, kIntMin);
    EXPECT_EQ(pan_y, kIntMax);
    pan_x = kIntMax - 1;
    pan_y = kIntMin + 1;
    DragSnapshotPan(-30, -30, pan_x, pan_y);
    EXPECT_EQ(pan_x, kIntMax);
    EXPECT_EQ(pan_y, kIntMin);
}

}  // namespace
