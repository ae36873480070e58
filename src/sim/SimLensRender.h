// Rendering the chart as the simulated lens and sensor see it: each pixel's area of the chart,
// blurred by a Gaussian whose sigma follows the place in the picture (the lens may be tilted).
// The dark squares are added in closed form, so their edges are exact at every sigma; the rest
// is blurred by per-pixel band-limited Gaussian kernels, on a coarser copy of the chart where
// the blur is at least twice as wide as its pixels, one grey plane where no colour is within
// the kernels' reach, and not at all where they read one grey only. Internal to CSimScene.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
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

// A chart being drawn, in pieces that any number of threads take at once: bands of rows with
// all their levels, then the levels' summaries. A thread that needs the chart while another
// draws it ahead helps with what is left instead of waiting for all of it.
class CSharpChartDraw {
public:
    CSharpChartDraw(int width, int height);
    CSharpChartDraw(const CSharpChartDraw&) = delete;
    CSharpChartDraw& operator=(const CSharpChartDraw&) = delete;

    // Works on `threads` threads (this one among them), then waits for the pieces others
    // took; the chart, or null once cancelled.
    std::shared_ptr<const SimSharpChart> Finish(int threads);
    // Draws ahead on this thread, piece by piece, until the chart is done, or someone calls
    // Finish: a thread drawing ahead at a low priority then leaves the rest to those who wait,
    // after the piece in hand. The chart if this call saw it done, else null.
    std::shared_ptr<const SimSharpChart> DrawAhead();
    // No piece is taken after this, and no one waits for the chart any more.
    void Cancel();

private:
    // Draws pieces until none is left to take; or, when bAhead, until the chart is needed.
    void Work(bool bAhead);
    void DrawPiece(int piece);

    std::shared_ptr<SimSharpChart> m_pChart;
    int m_nBands = 0;
    int m_nPieces = 0;
    std::atomic<int> m_next{0};
    std::atomic<bool> m_bNeeded{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_nBandsDone = 0;  // guarded by m_mutex, as the two below
    int m_nDone = 0;
    bool m_bCancelled = false;
};

// The chart of that size drawn on `threads` threads; the result does not depend on their number.
std::shared_ptr<const SimSharpChart> BuildSharpChart(int width, int height, int threads);

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
