// Where a tool window opens beside the window it serves.
#include "platform/mfc/WindowPlacement.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(WindowPlacement, BesideOnTheRightElseTheLeftAlwaysOnTheScreen) {
    const QRect screen(0, 0, 1600, 1200);
    struct Case {
        const char* what;
        QRect anchor;
        QSize size;
        QPoint expected;
    };
    const Case cases[] = {
        {"right, tops aligned", {0, 400, 646, 505}, {690, 170}, {650, 400}},
        {"no room right: left", {900, 100, 600, 400}, {300, 200}, {596, 100}},
        {"no room either side: kept on screen", {200, 100, 1200, 400}, {700, 200}, {900, 100}},
        {"bottom edge", {0, 1100, 300, 90}, {300, 200}, {304, 1000}},
        {"above the top", {0, -50, 300, 90}, {300, 200}, {304, 0}},
        {"larger than the screen: top-left wins", {0, 0, 100, 100}, {2000, 1500}, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceBeside(c.anchor, c.size, screen), c.expected) << c.what;
    const QRect offset(100, 30, 1500, 1170);  // a panel at the left and top of the screen
    EXPECT_EQ(PlaceBeside({-20, 0, 50, 50}, {300, 200}, offset), QPoint(100, 30));
}

TEST(WindowPlacement, ARememberedPlaceIsBroughtBackOnTheScreen) {
    const QRect screen(0, 30, 1280, 994);  // a panel along the top
    struct Case {
        const char* what;
        QRect frame;
        QRect expected;
    };
    const Case cases[] = {
        {"inside: as it was", {400, 30, 560, 340}, {400, 30, 560, 340}},
        {"off the right edge", {1000, 100, 560, 340}, {720, 100, 560, 340}},
        {"under the panel", {400, 0, 560, 340}, {400, 30, 560, 340}},
        {"on a screen left of this one", {-1500, 200, 560, 340}, {0, 200, 560, 340}},
        {"below the bottom", {10, 2000, 560, 340}, {10, 684, 560, 340}},
        {"saved on a larger screen", {100, 100, 1600, 1200}, {0, 30, 1280, 994}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeepInside(c.frame, screen), c.expected) << c.what;
    // Sums past the int range stay exact: such a frame still ends on the screen.
    EXPECT_EQ(KeepInside(FrameExtent{INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX}, screen),
              screen);
    EXPECT_EQ(KeepInside(FrameExtent{INT_MIN, 100, 560, -5}, screen), QRect(0, 100, 560, 0));
}

// A window that should cover none of the others: whole at the first preferred corner that
// allows it, else whole at the clear place nearest that corner, else the largest clear place
// down to its smallest size, else where it covers the least.
TEST(WindowPlacement, ClearOfTheOthersWholeShrunkOrCoveringTheLeast) {
    const QRect preview(0, 0, 640, 480);
    const QRect lens(644, 0, 300, 400);
    struct Case {
        const char* what;
        ClearPlaceRequest request;
        QRect expected;
    };
    const Case cases[] = {
        {"whole right of the preview",
         {{700, 500}, {350, 250}, {preview}, {{644, 0}}, {0, 0, 1600, 1200}},
         {644, 0, 700, 500}},
        {"the lens panel there: the clear place nearest that corner, right of the panel",
         {{600, 500}, {300, 250}, {preview, lens}, {{644, 0}, {0, 0}}, {0, 0, 1600, 1200}},
         {948, 0, 600, 500}},
        {"no whole place: shrunk at the preferred corner, as large as elsewhere",
         {{500, 500}, {250, 250}, {{0, 0, 600, 400}}, {{604, 0}}, {0, 0, 1000, 800}},
         {604, 0, 396, 500}},
        {"no clear place: the preferred corner that covers the least",
         {{400, 200},
          {200, 100},
          {{0, 0, 800, 600}, {0, 0, 400, 300}},
          {{0, 0}, {400, 400}},
          {0, 0, 800, 600}},
         {400, 400, 400, 200}},
        {"larger than the screen, nothing else shown",
         {{2000, 1500}, {1000, 750}, {}, {}, {0, 0, 1000, 800}},
         {0, 0, 1000, 800}},
        {"a preferred corner off the screen is passed over",
         {{300, 300}, {150, 150}, {{0, 0, 600, 400}}, {{1200, 0}}, {0, 0, 1000, 800}},
         {604, 0, 300, 300}},
    };
    for (const Case& c : cases) {
        const QRect placed = PlaceClear(c.request);
        EXPECT_EQ(placed, c.expected) << c.what;
        EXPECT_TRUE(c.request.available.contains(placed)) << c.what;
    }
}

}  // namespace
