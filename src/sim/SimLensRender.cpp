#include "sim/SimLensRender.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace {

constexpr int kTile = 64;
// A coarse level serves a tile whose least blur is at least this many of its pixels.
constexpr double kLevelRatio = 1.0;

struct Scratch {
    std::vector<float> seg, weights, kernel;
    std::vector<float> across[3], down[3], out[3];
};

struct Tile {
    int x0, y0, x1, y1;
};

// Blur sigma, in pixels of level `D`, at its pixel (c, r): what remains of the lens's Gaussian
// once the coarse pixel's area and the interpolation back to full size have their share.
float CoarseSigma(const SimSigmaField& field, int D, int c, int r) {
    const double sigma = field.At((c + 0.5) * D, (r + 0.5) * D);
    if (D == 1)
        return static_cast<float>(sigma);
    const double variance = sigma * sigma + 1.0 / 12 - D * D / 4.0;
    return static_cast<float>(std::sqrt(std::max(variance, 0.0)) / D);
}

// Fills s.weights[(j + R) * n + i] with tap j of column i's kernel, for columns ca.. of row r;
// or, where sigma does not change along a row, s.kernel with the one kernel (returns true).
bool RowWeights(const SimSigmaField& field, int D, int ca, int n, int r, int R, Scratch& s) {
    s.kernel.resize(static_cast<size_t>(2 * R + 1));
    if (field.bx == 0) {
        GaussianKernel(CoarseSigma(field, D, ca, r), R, s.kernel.data() + R);
        return true;
    }
    s.weights.resize(static_cast<size_t>(2 * R + 1) * n);
    float last = -1;
    for (int i = 0; i < n; ++i) {
        const float sigma = CoarseSigma(field, D, ca + i, r);
        if (sigma != last)
            GaussianKernel(sigma, R, s.kernel.data() + R);
        last = sigma;
        for (int j = 0; j <= 2 * R; ++j)
            s.weights[static_cast<size_t>(j) * n + i] = s.kernel[static_cast<size_t>(j)];
    }
    return false;
}

// dst[i] = sum over taps j of weight j (of output i) times src[i + j * srcStep].
void Accumulate(const Scratch& s, bool bUniform, const float* src, int n, int R, float* dst,
                size_t srcStep) {
    std::fill(dst, dst + n, 0.0f);
    for (int j = 0; j <= 2 * R; ++j) {
        const float* in = src + static_cast<size_t>(j) * srcStep;
        if (bUniform) {
            const float w = s.kernel[static_cast<size_t>(j)];
            for (int i = 0; i < n; ++i)
                dst[i] += w * in[i];
        } else {
            const float* w = &s.weights[static_cast<size_t>(j) * n];
            for (int i = 0; i < n; ++i)
                dst[i] += w[i] * in[i];
        }
    }
}

// The tile's blur at level D over coarse columns [ca, cb] and rows [ra, rb], into s.down.
void BlurLevel(const SimPlanes& L, const SimSigmaField& field, int D, int ca, int cb, int ra,
               int rb, int R, Scratch& s) {
    const int n = cb - ca + 1, rows = rb - ra + 1 + 2 * R;
    for (int c = 0; c < 3; ++c) {
        s.across[c].resize(static_cast<size_t>(rows) * n);
        s.down[c].resize(static_cast<size_t>(rb - ra + 1) * n);
    }
    s.seg.resize(static_cast<size_t>(n + 2 * R));
    for (int k = 0; k < rows; ++k) {
        const int r = std::clamp(ra - R + k, 0, L.height - 1);
        const bool bUniform = RowWeights(field, D, ca, n, r, R, s);
        for (int c = 0; c < 3; ++c) {
            const float* row = &L.plane[c][static_cast<size_t>(r) * L.width];
            for (int i = 0; i < n + 2 * R; ++i)
                s.seg[static_cast<size_t>(i)] = row[std::clamp(ca - R + i, 0, L.width - 1)];
            // Tap j of output i reads seg[i + j]: a step of one sample per tap.
            Accumulate(s, bUniform, s.seg.data(), n, R, &s.across[c][static_cast<size_t>(k) * n],
                       1);
        }
    }
    for (int r = ra; r <= rb; ++r) {
        const bool bUniform = RowWeights(field, D, ca, n, r, R, s);
        for (int c = 0; c < 3; ++c) {
            Accumulate(s, bUniform, &s.across[c][static_cast<size_t>(r - ra) * n], n, R,
                       &s.down[c][static_cast<size_t>(r - ra) * n], static_cast<size_t>(n));
        }
    }
}

// Level-D samples at columns [ca, cb], rows [ra, rb] back to the tile's pixels, bilinearly.
void Upsample(const Tile& t, int D, int ca, int cb, int ra, int rb, Scratch& s) {
    const int n = cb - ca + 1, w = t.x1 - t.x0;
    std::vector<int> col(static_cast<size_t>(w));
    std::vector<float> frac(static_cast<size_t>(w));
    for (int x = t.x0; x < t.x1; ++x) {
        const double u = (x + 0.5) / D - 0.5;
        const int c0 = static_cast<int>(std::floor(u));
        frac[static_cast<size_t>(x - t.x0)] = c0 < ca ? 0.0f : static_cast<float>(u - c0);
        col[static_cast<size_t>(x - t.x0)] = std::clamp(c0, ca, cb) - ca;
    }
    for (int c = 0; c < 3; ++c) {
        s.out[c].resize(static_cast<size_t>(w) * (t.y1 - t.y0));
        for (int y = t.y0; y < t.y1; ++y) {
            const double v = (y + 0.5) / D - 0.5;
            const int r0 = static_cast<int>(std::floor(v));
            const float fy = r0 < ra ? 0.0f : static_cast<float>(v - r0);
            const float* top = &s.down[c][static_cast<size_t>(std::clamp(r0, ra, rb) - ra) * n];
            const float* bottom =
                &s.down[c][static_cast<size_t>(std::clamp(r0 + 1, ra, rb) - ra) * n];
            float* dst = &s.out[c][static_cast<size_t>(y - t.y0) * w];
            for (int i = 0; i < w; ++i) {
                const int k = col[static_cast<size_t>(i)], k1 = std::min(k + 1, n - 1);
                const float fx = frac[static_cast<size_t>(i)];
                const float a = top[k] + fx * (top[k1] - top[k]);
                const float b = bottom[k] + fx * (bottom[k1] - bottom[k]);
                dst[i] = a + fy * (b - a);
            }
        }
    }
}

// Adds the dark squares, each pixel's area blurred in closed form.
void AddSquares(const SimSharpChart& chart, const SimSigmaField& field, const Tile& t,
                double sigmaMax, Scratch& s) {
    const int w = t.x1 - t.x0;
    const float dark = kChartInk - kChartPaper;
    for (const SimEdgeSquare& q : chart.squares) {
        const double a = std::abs(q.ax), b = std::abs(q.ay);
        const double reach = q.half + 0.5 * (a + b) + 9 * sigmaMax;
        const double spread = reach * (a + b);
        if (t.x1 < q.cx - spread || t.x0 > q.cx + spread || t.y1 < q.cy - spread ||
            t.y0 > q.cy + spread) {
            continue;
        }
        for (int y = t.y0; y < t.y1; ++y) {
            for (int x = t.x0; x < t.x1; ++x) {
                const double px = x + 0.5 - q.cx, py = y + 0.5 - q.cy;
                const double u = px * q.ax + py * q.ay, v = -px * q.ay + py * q.ax;
                if (std::abs(u) >= reach || std::abs(v) >= reach)
                    continue;
                const double sigma = field.At(x + 0.5, y + 0.5);
                const double pu =
                    EdgeProfile(q.half - u, sigma, a, b) + EdgeProfile(q.half + u, sigma, a, b) - 1;
                const double pv =
                    EdgeProfile(q.half - v, sigma, b, a) + EdgeProfile(q.half + v, sigma, b, a) - 1;
                const float ink = dark * static_cast<float>(pu * pv);
                const size_t i = static_cast<size_t>(y - t.y0) * w + (x - t.x0);
                for (int c = 0; c < 3; ++c)
                    s.out[c][i] += ink;
            }
        }
    }
}

void Emit(const Tile& t, int width, const Scratch& s, const SimRenderTarget& target) {
    const int w = t.x1 - t.x0;
    for (int y = t.y0; y < t.y1; ++y) {
        const size_t src = static_cast<size_t>(y - t.y0) * w;
        const size_t dst = static_cast<size_t>(y) * width + t.x0;
        if (target.planes) {
            for (int c = 0; c < 3; ++c)
                std::copy_n(&s.out[c][src], w, &target.planes->plane[c][dst]);
        }
        if (target.bgr) {
            BYTE* out = target.bgr + dst * 3;
            for (int i = 0; i < w; ++i) {
                for (int c = 0; c < 3; ++c) {
                    const float v = s.out[c][src + static_cast<size_t>(i)];
                    out[3 * i + c] = static_cast<BYTE>(std::clamp(v + 0.5f, 0.0f, 255.0f));
                }
            }
        }
    }
}

void RenderTile(const SimSharpChart& chart, const SimSigmaField& field, bool bFullResolution,
                const Tile& t, Scratch& s, const SimRenderTarget& target) {
    double lo = 0, hi = 0;
    field.Range(t.x0 + 0.5, t.y0 + 0.5, t.x1 - 0.5, t.y1 - 0.5, lo, hi);
    int k = 0;
    while (!bFullResolution && k + 1 < SimSharpChart::kLevels &&
           (1 << (k + 1)) * kLevelRatio <= lo) {
        ++k;
    }
    const int D = 1 << k;
    const SimPlanes& L = chart.level[k];
    auto coarse = [&](int x) { return static_cast<int>(std::floor((x + 0.5) / D - 0.5)); };
    const int ca = D == 1 ? t.x0 : std::clamp(coarse(t.x0), 0, L.width - 1);
    const int cb = D == 1 ? t.x1 - 1 : std::clamp(coarse(t.x1 - 1) + 1, 0, L.width - 1);
    const int ra = D == 1 ? t.y0 : std::clamp(coarse(t.y0), 0, L.height - 1);
    const int rb = D == 1 ? t.y1 - 1 : std::clamp(coarse(t.y1 - 1) + 1, 0, L.height - 1);
    // Wide enough for every kernel of the tile and of the rows and columns around it.
    double sLo = 0, sHi = 0;
    const double margin = 24.0 * D;
    field.Range(t.x0 - margin, t.y0 - margin, t.x1 + margin, t.y1 + margin, sLo, sHi);
    auto coarseSigma = [&](double sigma) {
        return D == 1 ? sigma
                      : std::sqrt(std::max(sigma * sigma + 1.0 / 12 - D * D / 4.0, 0.0)) / D;
    };
    const int R = GaussianKernelRadius(coarseSigma(sLo), coarseSigma(sHi));
    BlurLevel(L, field, D, ca, cb, ra, rb, R, s);
    if (D == 1) {
        for (int c = 0; c < 3; ++c)
            s.out[c].swap(s.down[c]);
    } else {
        Upsample(t, D, ca, cb, ra, rb, s);
    }
    AddSquares(chart, field, t, hi, s);
    Emit(t, chart.level[0].width, s, target);
}

}  // namespace

void BuildSharpChart(int width, int height, SimSharpChart& chart) {
    DrawChartBase(width, height, chart.level[0]);
    for (int k = 1; k < SimSharpChart::kLevels; ++k) {
        const SimPlanes& fine = chart.level[k - 1];
        SimPlanes& coarse = chart.level[k];
        coarse.width = (fine.width + 1) / 2;
        coarse.height = (fine.height + 1) / 2;
        for (int c = 0; c < 3; ++c) {
            const std::vector<float>& in = fine.plane[c];
            std::vector<float>& out = coarse.plane[c];
            out.resize(static_cast<size_t>(coarse.width) * coarse.height);
            for (int y = 0; y < coarse.height; ++y) {
                const size_t r0 = static_cast<size_t>(2 * y) * fine.width;
                const size_t r1 =
                    static_cast<size_t>(std::min(2 * y + 1, fine.height - 1)) * fine.width;
                for (int x = 0; x < coarse.width; ++x) {
                    const size_t x0 = static_cast<size_t>(2 * x);
                    const size_t x1 = static_cast<size_t>(std::min(2 * x + 1, fine.width - 1));
                    out[static_cast<size_t>(y) * coarse.width + x] =
                        0.25f * (in[r0 + x0] + in[r0 + x1] + in[r1 + x0] + in[r1 + x1]);
                }
            }
        }
    }
    chart.squares = EdgeSquares(width, height);
}

void RenderThroughLens(const SimSharpChart& chart, const SimSigmaField& field, bool bFullResolution,
                       int threads, const SimRenderTarget& target) {
    const int width = chart.level[0].width, height = chart.level[0].height;
    if (target.planes) {
        target.planes->width = width;
        target.planes->height = height;
        for (auto& p : target.planes->plane)
            p.resize(static_cast<size_t>(width) * height);
    }
    std::vector<Tile> tiles;
    for (int y = 0; y < height; y += kTile) {
        for (int x = 0; x < width; x += kTile)
            tiles.push_back({x, y, std::min(x + kTile, width), std::min(y + kTile, height)});
    }
    std::atomic<size_t> next{0};
    auto work = [&] {
        Scratch s;
        for (size_t i = next++; i < tiles.size(); i = next++)
            RenderTile(chart, field, bFullResolution, tiles[i], s, target);
    };
    std::vector<std::thread> helpers;
    const int count = std::clamp(threads, 1, static_cast<int>(tiles.size()));
    for (int i = 1; i < count; ++i)
        helpers.emplace_back(work);
    work();
    for (auto& h : helpers)
        h.join();
}
