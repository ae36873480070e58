// Rendering the chart as the simulated lens and sensor see it: each pixel's area of the chart,
// blurred by a Gaussian whose sigma follows the place in the picture (the lens may be tilted).
// The dark squares are added in closed form, so their edges are exact at every sigma; the rest
// is blurred by per-pixel band-limited Gaussian kernels, on a coarser copy of the chart where
// the blur is at least twice as wide as its pixels, one grey plane where no colour is within
// the kernels' reach, and not at all where they read one grey only. Internal to CSimScene.
#pragma once

#include <array>
#include <vector>

#include "platform/com/Types.h"
#include "sim/SimChart.h"
#include "sim/SimOptics.h"

// The chart of one picture size, drawn sharp: level 0 is DrawChartBase, each pixel of level k
// the average of a 2^k square of level 0; and its dark squares. Each level is also summed up in
// blocks, so a tile whose blur reads only paper, or only grey, is told at once.
struct SimSharpChart {
    static constexpr int kLevels = 6;
    static constexpr int kBlock = 16;  // a block's side, in pixels of its level
    struct Block {
        float lo, hi;  // least and greatest green
        bool bColour;  // some pixel's blue or red differs from its green
    };
    struct Blocks {
        int across = 0, down = 0;
        std::vector<Block> block;
    };
    SimPlanes level[kLevels];
    Blocks blocks[kLevels];
    std::array<SimEdgeSquare, kEdgeRegionCount> squares{};
};

void BuildSharpChart(int width, int height, SimSharpChart& chart);

// Where a rendering goes: bytes (blue, green, red per pixel, rows top-down without gaps), or
// the unrounded planes.
struct SimRenderTarget {
    BYTE* bgr = nullptr;
    SimPlanes* planes = nullptr;
};

// Renders the chart through the lens in tiles shared among `threads` threads; the result does
// not depend on their number. bFullResolution keeps every blur on the picture's own pixels
// (slower for wide blurs, and smooth in sigma everywhere, as the focus figure wants).
void RenderThroughLens(const SimSharpChart& chart, const SimSigmaField& field, bool bFullResolution,
                       int threads, const SimRenderTarget& target);
