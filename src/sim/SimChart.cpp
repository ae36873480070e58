#include "sim/SimChart.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr BYTE kInk = static_cast<BYTE>(kChartInk);
constexpr BYTE kPaper = static_cast<BYTE>(kChartPaper);

struct Bgr {
    BYTE b, g, r;
    bool operator==(const Bgr&) const = default;
};

// 5x7 glyphs, one row per byte, bit 4 = leftmost column.
struct Glyph {
    char c;
    BYTE rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
};
constexpr char kCaption[] = "NITIDOR FOCUS CHART";

bool GlyphInk(char c, int col, int row) {
    for (const Glyph& g : kGlyphs) {
        if (g.c == c)
            return (g.rows[row] >> (4 - col)) & 1;
    }
    return false;
}

// Where things sit. X, Y in picture heights from the centre; what must clear the measurement
// regions at any aspect ratio is placed by fractions of the width (xFrac).
struct Layout {
    double halfWidth;
    double markSize;  // whole pixels, so the marks' colours hold to the last pixel
    double xFrac(double f) const { return (2 * f - 1) * halfWidth; }
};

constexpr double kStarFrac = 0.68;  // right of the centre square, clear of the centre region
constexpr double kStarRadius = 0.13;
constexpr double kStarHub = 0.006;
constexpr int kStarSpokes = 36;

// Bar groups, finer from the top left: two above the centre, two below it.
struct BarGroup {
    double x0, y0;  // top-left corner; each group is 0.2 square
    double pitch;
    bool bAlongY;
};
constexpr BarGroup kBarGroups[] = {{-0.27, -0.38, 0.024, false},
                                   {0.07, -0.38, 0.012, true},
                                   {-0.21, 0.15, 0.006, false},
                                   {0.01, 0.15, 0.003, true}};
constexpr double kBarSize = 0.2;

// Narrow enough to stay clear of the two top regions.
constexpr double kCellH = 0.006;
constexpr double kCaptionTop = -0.46;

constexpr double kPatchTop = 0.38, kPatchBottom = 0.46, kPatchHalfRow = 0.21;

Bgr Star(double dx, double dy, double r) {
    const Bgr paper{kPaper, kPaper, kPaper}, ink{kInk, kInk, kInk};
    if (r < kStarHub)
        return {128, 128, 128};
    if (r < kStarRadius) {
        const double turn = (std::atan2(dy, dx) + std::numbers::pi) / (2 * std::numbers::pi);
        return (static_cast<int>(turn * kStarSpokes * 2) & 1) ? ink : paper;
    }
    return ink;  // the rim
}

bool Caption(double X, double Y, bool& bInk) {
    const double captionW = (sizeof(kCaption) - 1) * 6 * kCellH;
    const double tx = X + captionW / 2, ty = Y - kCaptionTop;
    if (tx < 0 || tx >= captionW || ty < 0 || ty >= 7 * kCellH)
        return false;
    const int cell = static_cast<int>(tx / kCellH);
    const int col = cell % 6, row = static_cast<int>(ty / kCellH);
    bInk = col < 5 && GlyphInk(kCaption[cell / 6], col, row);
    return true;
}

// The chart at a point, without the dark squares.
Bgr ChartAt(double X, double Y, const Layout& L) {
    const Bgr paper{kPaper, kPaper, kPaper}, ink{kInk, kInk, kInk};
    const double ax = std::abs(X), ay = std::abs(Y);

    // Registration marks over the frame's corners: when all four are in view, so is the
    // whole picture.
    if (0.5 - ay < L.markSize && L.halfWidth - ax < L.markSize) {
        const RegistrationMarkBgr mark = kRegistrationMarks[(Y < 0 ? 0 : 2) + (X < 0 ? 0 : 1)];
        return {mark.b, mark.g, mark.r};
    }
    // A frame around everything, so the picture's edges are obvious too.
    if (0.5 - ay < 0.012 || L.halfWidth - ax < 0.012)
        return ink;

    const double sx = X - L.xFrac(kStarFrac);
    const double r = std::sqrt(sx * sx + Y * Y);
    if (r < kStarRadius + 0.005)
        return Star(sx, Y, r);

    for (const BarGroup& g : kBarGroups) {
        if (X > g.x0 && X < g.x0 + kBarSize && Y > g.y0 && Y < g.y0 + kBarSize) {
            const double along = g.bAlongY ? Y - g.y0 : X - g.x0;
            return std::fmod(along, g.pitch) < g.pitch / 2 ? ink : paper;
        }
    }

    bool bInk = false;
    if (Caption(X, Y, bInk))
        return bInk ? ink : paper;

    // Colour patches along the bottom: red, green, blue, cyan, magenta, yellow.
    if (Y > kPatchTop && Y < kPatchBottom && ax < kPatchHalfRow) {
        static constexpr Bgr kPatches[] = {{40, 40, 220},  {40, 200, 40},  {220, 50, 40},
                                           {220, 200, 40}, {200, 40, 200}, {40, 210, 230}};
        constexpr double kPitch = 2 * kPatchHalfRow / 6;
        const double along = X + kPatchHalfRow;
        const int i = static_cast<int>(along / kPitch);
        if (std::fmod(along, kPitch) > 0.008)
            return kPatches[std::clamp(i, 0, 5)];
    }
    return paper;
}

}  // namespace

std::array<SimEdgeSquare, kEdgeRegionCount> EdgeSquares(int width, int height) {
    // Into the ink from each region's centre: left for the centre and the bottom right, right
    // for the bottom left, down for the top two; each turned the same way by kEdgeTilt_rad.
    static constexpr double kInward[kEdgeRegionCount][2] = {
        {-1, 0}, {0, 1}, {0, 1}, {1, 0}, {-1, 0}};
    const double c = std::cos(kEdgeTilt_rad), s = std::sin(kEdgeTilt_rad);
    // A third wider than a region, so the square's other edges and corners stay outside it.
    const double half = width / 12.0;
    std::array<SimEdgeSquare, kEdgeRegionCount> squares{};
    for (int i = 0; i < kEdgeRegionCount; ++i) {
        const double ax = kInward[i][0] * c - kInward[i][1] * s;
        const double ay = kInward[i][0] * s + kInward[i][1] * c;
        const double ex = kEdgeRegions[i][0] * width, ey = kEdgeRegions[i][1] * height;
        squares[i] = {ex + ax * half, ey + ay * half, ax, ay, half};
    }
    return squares;
}

void SimPlanes::Resize(int w, int h) {
    width = w;
    height = h;
    for (auto& p : plane)
        p.resize(static_cast<size_t>(w) * h);
}

void DrawChartBase(int width, int height, SimPlanes& planes) {
    planes.Resize(width, height);
    DrawChartRows(width, height, 0, height, planes);
}

void DrawChartRows(int width, int height, int y0, int y1, SimPlanes& planes) {
    const double scale = 1.0 / height;
    const Layout L{0.5 * width / height, std::round(kRegistrationMarkSize * height) / height};
    auto at = [&](double x, double y) {
        return ChartAt(x * scale - L.halfWidth, y * scale - 0.5, L);
    };
    // The pixels' centres of the rows and of one row either side, where the picture has them.
    const int p0 = std::max(y0 - 1, 0), p1 = std::min(y1 + 1, height);
    std::vector<Bgr> point(static_cast<size_t>(p1 - p0) * width);
    for (int y = p0; y < p1; ++y) {
        for (int x = 0; x < width; ++x)
            point[static_cast<size_t>(y - p0) * width + x] = at(x + 0.5, y + 0.5);
    }
    auto centre = [&](int x, int y) { return point[static_cast<size_t>(y - p0) * width + x]; };
    // A pixel unlike any of its neighbours' centres holds a boundary: 4x4 samples over its area.
    for (int y = y0; y < y1; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            const Bgr here = centre(x, y);
            bool bUniform = true;
            for (int dy = -1; dy <= 1 && bUniform; ++dy) {
                for (int dx = -1; dx <= 1 && bUniform; ++dx) {
                    const int nx = std::clamp(x + dx, 0, width - 1);
                    const int ny = std::clamp(y + dy, 0, height - 1);
                    bUniform = centre(nx, ny) == here;
                }
            }
            float sum[3] = {float(here.b), float(here.g), float(here.r)};
            if (!bUniform) {
                sum[0] = sum[1] = sum[2] = 0;
                for (int k = 0; k < 16; ++k) {
                    const Bgr q = at(x + (k % 4 + 0.5) / 4, y + (k / 4 + 0.5) / 4);
                    sum[0] += q.b / 16.0f;
                    sum[1] += q.g / 16.0f;
                    sum[2] += q.r / 16.0f;
                }
            }
            for (int c = 0; c < 3; ++c)
                planes.plane[c][i] = sum[c];
        }
    }
}
