#include "sim/SimChart.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr BYTE kInk = 18;
constexpr BYTE kPaper = 236;

struct Bgr {
    BYTE b, g, r;
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

// The chart at a point; X, Y in units of the picture height, origin at the centre.
Bgr ChartAt(double X, double Y, double halfWidth) {
    const Bgr paper{kPaper, kPaper, kPaper}, ink{kInk, kInk, kInk};
    const double r = std::sqrt(X * X + Y * Y);
    constexpr double kStar = 0.30;
    if (r < 0.012)
        return {128, 128, 128};
    if (r < kStar) {
        constexpr int kSpokes = 36;
        const double turn = (std::atan2(Y, X) + std::numbers::pi) / (2 * std::numbers::pi);
        return (static_cast<int>(turn * kSpokes * 2) & 1) ? ink : paper;
    }
    if (r < kStar + 0.008)
        return ink;

    // Bar groups in the four corners, finer clockwise from the top left.
    const double ax = std::abs(X), ay = std::abs(Y);
    const double cornerX = halfWidth - 0.05;
    if (ax > cornerX - 0.2 && ax < cornerX && ay > 0.18 && ay < 0.38) {
        const int corner = (Y < 0 ? 0 : 2) + ((X < 0) == (Y < 0) ? 0 : 1);
        const double pitch = 0.024 / (1 << corner);
        const double along = (corner & 1) ? Y : X;
        return std::fmod(along + 4.0, pitch) < pitch / 2 ? ink : paper;
    }

    // The caption across the top, 0.05 high.
    constexpr double kCellH = 0.05 / 7;
    const double captionW = (sizeof(kCaption) - 1) * 6 * kCellH;
    const double tx = X + captionW / 2, ty = Y + 0.46;
    if (tx >= 0 && tx < captionW && ty >= 0 && ty < 7 * kCellH) {
        const int cell = static_cast<int>(tx / kCellH);
        const int col = cell % 6, row = static_cast<int>(ty / kCellH);
        if (col < 5 && GlyphInk(kCaption[cell / 6], col, row))
            return ink;
        return paper;
    }

    // Colour patches along the bottom: red, green, blue, cyan, magenta, yellow.
    if (Y > 0.37 && Y < 0.46 && std::abs(X) < 0.6) {
        static constexpr Bgr kPatches[] = {{40, 40, 220},  {40, 200, 40},  {220, 50, 40},
                                           {220, 200, 40}, {200, 40, 200}, {40, 210, 230}};
        const int i = static_cast<int>((X + 0.6) / 0.2);
        if (std::fmod(X + 0.6, 0.2) > 0.02)
            return kPatches[std::clamp(i, 0, 5)];
        return paper;
    }

    // Registration marks over the frame's corners: when all four are in view, so is the
    // whole picture.
    if (0.5 - ay < kRegistrationMarkSize && halfWidth - ax < kRegistrationMarkSize) {
        const RegistrationMarkBgr mark = kRegistrationMarks[(Y < 0 ? 0 : 2) + (X < 0 ? 0 : 1)];
        return {mark.b, mark.g, mark.r};
    }

    // A frame around everything, so the picture's edges are obvious too.
    if (0.5 - ay < 0.012 || halfWidth - ax < 0.012)
        return ink;
    return paper;
}

struct BoxKernel {
    int r;        // whole taps on each side of the centre
    float alpha;  // weight of the one partial tap beyond them on each side
    float norm;   // 1 / total weight
};

// One sliding pass along a row of interleaved 3-channel samples, edges replicated; `padded`
// is scratch space.
void BoxRow(const float* in, float* out, int n, const BoxKernel& k, std::vector<float>& padded) {
    const int pad = k.r + 1;
    padded.resize(static_cast<size_t>(n + 2 * pad) * 3);
    for (int i = -pad; i < n + pad; ++i) {
        const float* src = in + 3 * std::clamp(i, 0, n - 1);
        float* dst = &padded[3 * static_cast<size_t>(i + pad)];
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
    }
    const float* p = padded.data() + 3 * pad;  // p[3 * i + c] is sample i, i in [-pad, n + pad)
    float sum[3] = {0, 0, 0};
    for (int j = -k.r; j <= k.r; ++j) {
        for (int c = 0; c < 3; ++c)
            sum[c] += p[3 * j + c];
    }
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) {
            const float before = p[3 * (i - k.r - 1) + c], after = p[3 * (i + k.r + 1) + c];
            out[3 * i + c] = (sum[c] + k.alpha * (before + after)) * k.norm;
            sum[c] += after - p[3 * (i - k.r) + c];
        }
    }
}

// One sliding pass down a strip of `rows` rows of `width` floats each, edges replicated.
void BoxColumns(const float* in, float* out, int rows, int width, const BoxKernel& k,
                std::vector<float>& acc) {
    auto row = [&](int y) { return in + static_cast<size_t>(std::clamp(y, 0, rows - 1)) * width; };
    acc.assign(static_cast<size_t>(width), 0.0f);
    for (int j = -k.r; j <= k.r; ++j) {
        const float* src = row(j);
        for (int x = 0; x < width; ++x)
            acc[x] += src[x];
    }
    for (int y = 0; y < rows; ++y) {
        const float* before = row(y - k.r - 1);
        const float* after = row(y + k.r + 1);
        const float* leaving = row(y - k.r);
        float* dst = out + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            dst[x] = (acc[x] + k.alpha * (before[x] + after[x])) * k.norm;
            acc[x] += after[x] - leaving[x];
        }
    }
}

BYTE ToByte(float v) {
    return static_cast<BYTE>(std::clamp(v + 0.5f, 0.0f, 255.0f));
}

}  // namespace

void DrawFocusChart(int width, int height, std::vector<BYTE>& bgr) {
    bgr.resize(static_cast<size_t>(width) * height * 3);
    const double scale = 1.0 / height;
    const double halfWidth = 0.5 * width / height;
    for (int y = 0; y < height; ++y) {
        BYTE* row = &bgr[static_cast<size_t>(y) * width * 3];
        const double Y = (y + 0.5) * scale - 0.5;
        for (int x = 0; x < width; ++x) {
            const Bgr p = ChartAt((x + 0.5) * scale - halfWidth, Y, halfWidth);
            row[3 * x] = p.b;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.r;
        }
    }
}

void BlurBgr(int width, int height, double sigma, std::vector<BYTE>& bgr) {
    if (sigma < 0.2 || width < 2 || height < 2)
        return;
    constexpr int kPasses = 3;
    const double variance = sigma * sigma / kPasses;
    const int r = static_cast<int>(std::floor(0.5 * std::sqrt(12 * variance + 1) - 0.5));
    const double alpha =
        (2 * r + 1) * (r * (r + 1) - 3 * variance) / (6 * (variance - (r + 1) * (r + 1)));
    const BoxKernel k{r, static_cast<float>(alpha),
                      static_cast<float>(1 / (2 * r + 1 + 2 * alpha))};

    // Rows: all passes while the row is in cache.
    const size_t rowFloats = static_cast<size_t>(width) * 3;
    std::vector<float> a(rowFloats), b(rowFloats), padded;
    for (int y = 0; y < height; ++y) {
        BYTE* row = &bgr[y * rowFloats];
        for (size_t i = 0; i < rowFloats; ++i)
            a[i] = row[i];
        BoxRow(a.data(), b.data(), width, k, padded);
        BoxRow(b.data(), a.data(), width, k, padded);
        BoxRow(a.data(), b.data(), width, k, padded);
        for (size_t i = 0; i < rowFloats; ++i)
            row[i] = ToByte(b[i]);
    }
    // Columns: in strips narrow enough that a whole strip stays in cache.
    constexpr int kStripFloats = 192;
    std::vector<float> s1, s2, acc;
    for (size_t x0 = 0; x0 < rowFloats; x0 += kStripFloats) {
        const int strip = static_cast<int>(std::min<size_t>(kStripFloats, rowFloats - x0));
        s1.resize(static_cast<size_t>(strip) * height);
        s2.resize(s1.size());
        for (int y = 0; y < height; ++y) {
            const BYTE* src = &bgr[y * rowFloats + x0];
            for (int i = 0; i < strip; ++i)
                s1[static_cast<size_t>(y) * strip + i] = src[i];
        }
        BoxColumns(s1.data(), s2.data(), height, strip, k, acc);
        BoxColumns(s2.data(), s1.data(), height, strip, k, acc);
        BoxColumns(s1.data(), s2.data(), height, strip, k, acc);
        for (int y = 0; y < height; ++y) {
            BYTE* dst = &bgr[y * rowFloats + x0];
            for (int i = 0; i < strip; ++i)
                dst[i] = ToByte(s2[static_cast<size_t>(y) * strip + i]);
        }
    }
}
