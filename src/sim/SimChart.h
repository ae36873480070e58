// The focus chart itself, drawn sharp: five dark squares whose slanted edges cross the
// measurement regions, a Siemens star right of the centre, bar groups of four pitches above and
// below, a line of lettering at the top, colour patches at the bottom and a registration mark
// in each corner. Internal to CSimScene.
#pragma once

#include <array>
#include <vector>

#include "platform/com/Types.h"
#include "sim/SimMemory.h"

struct RegistrationMarkBgr {
    BYTE b, g, r;
};

// Side of the square registration marks, in picture heights, rounded to whole pixels: 78 pixels
// of a 1944-row still, large enough to survive JPEG and raw development.
inline constexpr double kRegistrationMarkSize = 0.04;
// Top-left red, top-right green, bottom-left blue, bottom-right yellow: every channel 0 or 255,
// so a tone curve leaves them as they are and an operator tells the corners apart at a glance.
inline constexpr RegistrationMarkBgr kRegistrationMarks[4] = {
    {0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 255, 255}};

// The chart's grey levels: ink on paper.
inline constexpr float kChartInk = 18.0f;
inline constexpr float kChartPaper = 236.0f;

// Where a slanted-edge measurement looks: squares of side width/8 centred at these fractions of
// the picture's width and height, the same at every size.
inline constexpr int kEdgeRegionCount = 5;
inline constexpr double kEdgeRegionSide = 1.0 / 8;  // in picture widths
inline constexpr double kEdgeRegions[kEdgeRegionCount][2] = {
    {0.5, 0.5}, {0.15, 0.15}, {0.85, 0.15}, {0.15, 0.85}, {0.85, 0.85}};
// How far the squares are turned off the picture's axes: 5 degrees.
inline constexpr double kEdgeTilt_rad = 0.08726646259971647;

// One dark square in pixel coordinates (pixel (i, j) covers [i, i+1) x [j, j+1)): the points p
// with |(p - centre) . axis| and |(p - centre) . axis-turned-a-quarter| at most `half`. Its
// edge nearest the region's centre runs through that centre, with `axis` pointing into the ink.
struct SimEdgeSquare {
    double cx, cy;
    double ax, ay;  // unit axis
    double half;
};

// The five squares of a picture of this size, one per measurement region in kEdgeRegions'
// order: the centre's and the bottom two have near-vertical edges, the top two near-horizontal.
std::array<SimEdgeSquare, kEdgeRegionCount> EdgeSquares(int width, int height);

// A picture's three colour planes (blue, green, red), each width x height floats, rows top-down.
struct SimPlanes {
    int width = 0, height = 0;
    SimPlane plane[3];
    // Sizes the planes for width x height, their values unset.
    void Resize(int w, int h);
};

// The chart without its dark squares (paper there) integrated over each pixel's area.
void DrawChartBase(int width, int height, SimPlanes& planes);
// The same for rows [y0, y1) alone, into planes already sized for width x height.
void DrawChartRows(int width, int height, int y0, int y1, SimPlanes& planes);
