#include "sim/SimLensRender.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int kTile = 64;
// A coarse level serves a tile whose least blur is at least this many of its pixels.
constexpr double kLevelRatio = 1.0;
// Columns the blur's inner loops take at once: two SSE registers, one AVX register.
constexpr int kLanes = 8;

int Padded(int n) {
    return (n + kLanes - 1) / kLanes * kLanes;
}

struct Scratch {
    std::vector<float> seg, kernel, weights, rowKernels, frac;
    std::vector<int> col;
    std::vector<float> across[3], down[3], out[3];
    size_t outStride = 0;  // floats from one row of `out` to the next
};

struct Tile {
    int x0, y0, x1, y1;
};

// What a tile's blur reads from its level: grey wherever no block holds colour, so one plane
// blurred serves all three; a single value where the blocks are all one grey.
struct Content {
    bool bColour = false;
    bool bFlat = false;
    float value = 0;
};

Content Summarise(const SimSharpChart& chart, int k, int c0, int c1, int r0, int r1) {
    const SimSharpChart::Blocks& b = chart.blocks[k];
    const SimPlanes& L = chart.level[k];
    c0 = std::clamp(c0, 0, L.width - 1) / SimSharpChart::kBlock;
    c1 = std::clamp(c1, 0, L.width - 1) / SimSharpChart::kBlock;
    r0 = std::clamp(r0, 0, L.height - 1) / SimSharpChart::kBlock;
    r1 = std::clamp(r1, 0, L.height - 1) / SimSharpChart::kBlock;
    float lo = b.block[static_cast<size_t>(r0) * b.across + c0].lo, hi = lo;
    bool bColour = false;
    for (int r = r0; r <= r1; ++r) {
        for (int c = c0; c <= c1; ++c) {
            const SimSharpChart::Block& q = b.block[static_cast<size_t>(r) * b.across + c];
            lo = std::min(lo, q.lo);
            hi = std::max(hi, q.hi);
            bColour = bColour || q.bColour;
        }
    }
    return {bColour, !bColour && lo == hi, lo};
}

// Blur sigma, in pixels of level `D`, at its pixel (c, r): what remains of the lens's Gaussian
// once the coarse pixel's area and the interpolation back to full size have their share.
float CoarseSigma(const SimSigmaField& field, int D, double c, int r) {
    const double sigma = field.At((c + 0.5) * D, (r + 0.5) * D);
    if (D == 1)
        return static_cast<float>(sigma);
    const double variance = sigma * sigma + 1.0 / 12 - D * D / 4.0;
    return static_cast<float>(std::sqrt(std::max(variance, 0.0)) / D);
}

// out[j * ld + i] = tap j of the kernel at level-D column u0 + i of row r, for i < count.
void BuildWeights(const SimSigmaField& field, int D, int u0, int count, int r, int R, float* out,
                  size_t ld, Scratch& s) {
    float last = -1;
    for (int i = 0; i < count; ++i) {
        const float sigma = CoarseSigma(field, D, u0 + i, r);
        if (sigma != last)
            GaussianKernel(sigma, R, s.kernel.data() + R);
        last = sigma;
        for (int j = 0; j <= 2 * R; ++j)
            out[static_cast<size_t>(j) * ld + static_cast<size_t>(i)] =
                s.kernel[static_cast<size_t>(j)];
    }
}

// The kernels of a tile's level rows [rlo, rhi] over its columns [ca, ca + n). Along a row sigma
// changes only with a horizontal tilt; without one each row has a single kernel. With one, row r
// sees row 0's sigmas shifted by r * by / bx columns: one table of row 0's kernels serves every
// row of the tile, each taking the two columns about its shift in proportion, unless the tilt is
// so nearly vertical that the rows share too little of the table, when each row has its own.
class CRowWeights {
public:
    CRowWeights(const SimSigmaField& field, int D, int ca, int n, int rlo, int rhi, int R,
                Scratch& s)
        : m_field(field), m_D(D), m_ca(ca), m_n(n), m_rlo(rlo), m_R(R), m_taps(2 * R + 1), m_s(s) {
        s.kernel.resize(static_cast<size_t>(m_taps));
        if (field.bx == 0) {
            m_mode = Mode::Uniform;
            const int kernels = field.by == 0 ? 1 : rhi - rlo + 1;
            s.rowKernels.resize(static_cast<size_t>(kernels) * m_taps);
            for (int k = 0; k < kernels; ++k) {
                GaussianKernel(CoarseSigma(field, D, ca, rlo + k), R,
                               &s.rowKernels[static_cast<size_t>(k) * m_taps + R]);
            }
            m_bOneKernel = kernels == 1;
            return;
        }
        m_ratio = field.by / field.bx;
        const double first = rlo * m_ratio, last = rhi * m_ratio;
        m_u0 = ca + static_cast<int>(std::floor(std::min(first, last)));
        const int length = ca + static_cast<int>(std::floor(std::max(first, last))) + n + 1 - m_u0;
        const int rows = rhi - rlo + 1;
        if (static_cast<int64_t>(length) * 4 <= std::max<int64_t>(int64_t{rows} * n, 4 * n)) {
            m_mode = Mode::Table;
            m_ld = static_cast<size_t>(length + kLanes);
            s.weights.assign(m_ld * static_cast<size_t>(m_taps), 0.0f);
            BuildWeights(field, D, m_u0, length, 0, R, s.weights.data(), m_ld, s);
        } else {
            m_mode = Mode::PerRow;
            m_ld = static_cast<size_t>(Padded(n));
            s.weights.assign(m_ld * static_cast<size_t>(m_taps), 0.0f);
        }
    }

    // Level row r's kernel, when it is the same for every column.
    const float* Uniform(int r) const {
        if (m_mode != Mode::Uniform)
            return nullptr;
        return &m_s.rowKernels[m_bOneKernel ? 0 : static_cast<size_t>(r - m_rlo) * m_taps];
    }
    // Level row r's weights: tap j of column i is w[j * Step() + i] and, when `next` is not
    // null, that plus `part` of next[j * Step() + i] less it. Valid until the next call.
    const float* Varying(int r, const float*& next, float& part) {
        next = nullptr;
        part = 0;
        if (m_mode == Mode::PerRow) {
            BuildWeights(m_field, m_D, m_ca, m_n, r, m_R, m_s.weights.data(), m_ld, m_s);
            return m_s.weights.data();
        }
        const double shift = r * m_ratio, whole = std::floor(shift);
        const float* w = &m_s.weights[static_cast<size_t>(m_ca + static_cast<int>(whole) - m_u0)];
        part = static_cast<float>(shift - whole);
        if (part != 0)
            next = w + 1;
        return w;
    }
    size_t Step() const { return m_ld; }

private:
    enum class Mode { Uniform, Table, PerRow };

    const SimSigmaField& m_field;
    const int m_D, m_ca, m_n, m_rlo, m_R, m_taps;
    Scratch& m_s;
    Mode m_mode = Mode::Uniform;
    bool m_bOneKernel = true;
    double m_ratio = 0;
    int m_u0 = 0;
    size_t m_ld = 0;
};

// kLanes floats that the compiler keeps in registers: two SSE registers, or one AVX register in
// the clones built for it. No fused multiply-add, so both give the same sums.
typedef float Lanes __attribute__((vector_size(kLanes * sizeof(float))));

// Not under ThreadSanitizer: a clone's resolver runs while the program is loaded, before the
// sanitizer's runtime is, and crashes it.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define NITIDOR_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define NITIDOR_VECTOR_CLONES
#endif

// dst[i] = sum over taps j of w[j * wStep + i] * src[j * srcStep + i], for i < n (a multiple
// of kLanes). The taps are added in order, so the sum does not depend on how it is split.
NITIDOR_VECTOR_CLONES
void Accumulate(const float* w, size_t wStep, const float* src, size_t srcStep, int n, int taps,
                float* dst) {
    for (int i = 0; i < n; i += kLanes) {
        Lanes acc = {}, weight, sample;
        for (int j = 0; j < taps; ++j) {
            std::memcpy(&weight, w + j * wStep + i, sizeof weight);
            std::memcpy(&sample, src + j * srcStep + i, sizeof sample);
            acc += weight * sample;
        }
        std::memcpy(dst + i, &acc, sizeof acc);
    }
}

// The same with each weight taken `part` of the way to the one after it.
NITIDOR_VECTOR_CLONES
void AccumulateBetween(const float* w, float part, size_t wStep, const float* src, size_t srcStep,
                       int n, int taps, float* dst) {
    for (int i = 0; i < n; i += kLanes) {
        Lanes acc = {}, here, next, sample;
        for (int j = 0; j < taps; ++j) {
            std::memcpy(&here, w + j * wStep + i, sizeof here);
            std::memcpy(&next, w + j * wStep + i + 1, sizeof next);
            std::memcpy(&sample, src + j * srcStep + i, sizeof sample);
            acc += (here + part * (next - here)) * sample;
        }
        std::memcpy(dst + i, &acc, sizeof acc);
    }
}

// The same with one kernel k for every column.
NITIDOR_VECTOR_CLONES
void AccumulateUniform(const float* k, const float* src, size_t srcStep, int n, int taps,
                       float* dst) {
    for (int i = 0; i < n; i += kLanes) {
        Lanes acc = {}, sample;
        for (int j = 0; j < taps; ++j) {
            std::memcpy(&sample, src + j * srcStep + i, sizeof sample);
            acc += k[j] * sample;
        }
        std::memcpy(dst + i, &acc, sizeof acc);
    }
}

// One row of the blur: row weights from `weights`, or the row's single kernel.
struct RowKernel {
    const float* uniform = nullptr;
    const float* w = nullptr;
    const float* next = nullptr;
    float part = 0;
    size_t step = 0;

    RowKernel(CRowWeights& weights, int r) {
        uniform = weights.Uniform(r);
        if (!uniform)
            w = weights.Varying(r, next, part);
        step = weights.Step();
    }
    void Apply(const float* src, size_t srcStep, int n, int taps, float* dst) const {
        if (uniform)
            AccumulateUniform(uniform, src, srcStep, n, taps, dst);
        else if (next)
            AccumulateBetween(w, part, step, src, srcStep, n, taps, dst);
        else
            Accumulate(w, step, src, srcStep, n, taps, dst);
    }
};

// The tile's blur at level D over coarse columns [ca, cb] and rows [ra, rb] of `planes` planes
// (the green alone for grey), into s.down, rows Padded(n) apart.
void BlurLevel(const SimPlanes& L, const SimSigmaField& field, int D, int ca, int cb, int ra,
               int rb, int R, int planes, Scratch& s) {
    const int n = cb - ca + 1, n8 = Padded(n), rows = rb - ra + 1 + 2 * R, taps = 2 * R + 1;
    const size_t stride = static_cast<size_t>(n8);
    for (int c = 0; c < planes; ++c) {
        s.across[c].resize(static_cast<size_t>(rows) * stride);
        s.down[c].resize(static_cast<size_t>(rb - ra + 1) * stride);
    }
    s.seg.assign(static_cast<size_t>(n8 + 2 * R), 0.0f);
    const int rlo = std::clamp(ra - R, 0, L.height - 1), rhi = std::clamp(rb + R, 0, L.height - 1);
    CRowWeights weights(field, D, ca, n, rlo, rhi, R, s);
    for (int k = 0; k < rows; ++k) {
        const int r = std::clamp(ra - R + k, 0, L.height - 1);
        const RowKernel kernel(weights, r);
        for (int c = 0; c < planes; ++c) {
            const float* row = &L.plane[planes == 1 ? 1 : c][static_cast<size_t>(r) * L.width];
            // Columns past the picture's edges repeat its first and last.
            const int from = std::max(ca - R, 0), to = std::min(cb + R, L.width - 1);
            std::fill(s.seg.begin(), s.seg.begin() + (from - (ca - R)), row[0]);
            std::copy(row + from, row + to + 1, s.seg.begin() + (from - (ca - R)));
            std::fill(s.seg.begin() + (to + 1 - (ca - R)), s.seg.begin() + (n + 2 * R),
                      row[L.width - 1]);
            // Tap j of output i reads seg[i + j]: a step of one sample per tap.
            kernel.Apply(s.seg.data(), 1, n8, taps, &s.across[c][static_cast<size_t>(k) * stride]);
        }
    }
    for (int r = ra; r <= rb; ++r) {
        const RowKernel kernel(weights, r);
        for (int c = 0; c < planes; ++c) {
            kernel.Apply(&s.across[c][static_cast<size_t>(r - ra) * stride], stride, n8, taps,
                         &s.down[c][static_cast<size_t>(r - ra) * stride]);
        }
    }
}

// Level-D samples at columns [ca, cb], rows [ra, rb] back to the tile's pixels, bilinearly:
// each level row across the tile's width, then the tile's rows between two of those.
void Upsample(const Tile& t, int D, int ca, int cb, int ra, int rb, int planes, Scratch& s) {
    const int n = cb - ca + 1, w = t.x1 - t.x0;
    const size_t stride = static_cast<size_t>(Padded(n));
    std::vector<int>& col = s.col;
    std::vector<float>& frac = s.frac;
    col.resize(static_cast<size_t>(w));
    frac.resize(static_cast<size_t>(w));
    for (int x = t.x0; x < t.x1; ++x) {
        const double u = (x + 0.5) / D - 0.5;
        const int c0 = static_cast<int>(std::floor(u));
        frac[static_cast<size_t>(x - t.x0)] = c0 < ca ? 0.0f : static_cast<float>(u - c0);
        col[static_cast<size_t>(x - t.x0)] = std::clamp(c0, ca, cb) - ca;
    }
    s.outStride = static_cast<size_t>(w);
    for (int c = 0; c < planes; ++c) {
        std::vector<float>& wide = s.across[c];  // free once the blur is done
        wide.resize(static_cast<size_t>(rb - ra + 1) * w);
        for (int r = ra; r <= rb; ++r) {
            const float* in = &s.down[c][static_cast<size_t>(r - ra) * stride];
            float* dst = &wide[static_cast<size_t>(r - ra) * w];
            for (int i = 0; i < w; ++i) {
                const int k = col[static_cast<size_t>(i)], k1 = std::min(k + 1, n - 1);
                dst[i] = in[k] + frac[static_cast<size_t>(i)] * (in[k1] - in[k]);
            }
        }
        s.out[c].resize(static_cast<size_t>(w) * (t.y1 - t.y0));
        for (int y = t.y0; y < t.y1; ++y) {
            const double v = (y + 0.5) / D - 0.5;
            const int r0 = static_cast<int>(std::floor(v));
            const float fy = r0 < ra ? 0.0f : static_cast<float>(v - r0);
            const float* a = &wide[static_cast<size_t>(std::clamp(r0, ra, rb) - ra) * w];
            const float* b = &wide[static_cast<size_t>(std::clamp(r0 + 1, ra, rb) - ra) * w];
            float* dst = &s.out[c][static_cast<size_t>(y - t.y0) * w];
            for (int i = 0; i < w; ++i)
                dst[i] = a[i] + fy * (b[i] - a[i]);
        }
    }
}

// The columns x (pixel centres x + 0.5) where |slope * x + offset| < limit: [lo, hi), empty
// when lo >= hi. Widened by a pixel each way; the caller checks each pixel.
void Within(double slope, double offset, double limit, double& lo, double& hi) {
    if (slope == 0) {
        const bool bAll = std::abs(offset) < limit;
        lo = bAll ? -1e18 : 0;
        hi = bAll ? 1e18 : 0;
        return;
    }
    const double a = (-limit - offset) / slope, b = (limit - offset) / slope;
    lo = std::floor(std::min(a, b)) - 1;
    hi = std::ceil(std::max(a, b)) + 1;
}

// Adds the dark squares, each pixel's area blurred in closed form. Pixels deep inside a square
// take the ink alone.
void AddSquares(const SimSharpChart& chart, const SimSigmaField& field, const Tile& t,
                double sigmaMax, int planes, Scratch& s) {
    const float dark = kChartInk - kChartPaper;
    const CNormalCdfTable& phi = NormalCdfTable();
    for (const SimEdgeSquare& q : chart.squares) {
        const double a = std::abs(q.ax), b = std::abs(q.ay);
        // An edge's profile is 1 (or 0) from 0.5 (a + b) + 9 sigma inside (outside) it, and
        // within 1e-9 of that from six spreads of the pixel and the Gaussian on.
        const double halo =
            0.5 * (a + b) +
            std::min(9 * sigmaMax, 6 * std::sqrt(sigmaMax * sigmaMax + (a * a + b * b) / 12));
        const double reach = q.half + halo;
        const double spread = reach * (a + b);
        if (t.x1 < q.cx - spread || t.x0 > q.cx + spread || t.y1 < q.cy - spread ||
            t.y0 > q.cy + spread) {
            continue;
        }
        const double inner = q.half - halo;
        for (int y = t.y0; y < t.y1; ++y) {
            const double py = y + 0.5 - q.cy;
            // u and v of pixel x: px = x + 0.5 - cx.
            const double u0 = (0.5 - q.cx) * q.ax + py * q.ay,
                         v0 = -(0.5 - q.cx) * q.ay + py * q.ax;
            double ulo = 0, uhi = 0, vlo = 0, vhi = 0;
            Within(q.ax, u0, reach, ulo, uhi);
            Within(-q.ay, v0, reach, vlo, vhi);
            const int xa = static_cast<int>(std::max({ulo, vlo, double(t.x0)}));
            const int xb = static_cast<int>(std::min({uhi, vhi, double(t.x1)}));
            // [ia, ib): certainly inside; none when ia == ib == xb.
            int ia = xb, ib = xb;
            if (inner > 0) {
                Within(q.ax, u0, inner, ulo, uhi);
                Within(-q.ay, v0, inner, vlo, vhi);
                ia = static_cast<int>(std::max({ulo + 2, vlo + 2, double(t.x0)}));
                ib = static_cast<int>(std::min({uhi - 2, vhi - 2, double(t.x1)}));
                if (ib <= ia)
                    ia = ib = xb;
            }
            float* row[3];
            for (int c = 0; c < planes; ++c)
                row[c] = &s.out[c][static_cast<size_t>(y - t.y0) * s.outStride];
            auto edges = [&](int from, int to) {
                for (int x = from; x < to; ++x) {
                    const double px = x + 0.5 - q.cx;
                    const double u = px * q.ax + py * q.ay, v = -px * q.ay + py * q.ax;
                    if (std::abs(u) >= reach || std::abs(v) >= reach)
                        continue;
                    const double sigma = field.At(x + 0.5, y + 0.5);
                    const float ink =
                        dark * static_cast<float>(SquareProfile(phi, u, v, q.half, sigma, a, b));
                    row[0][x - t.x0] += ink;
                    if (planes == 3) {
                        row[1][x - t.x0] += ink;
                        row[2][x - t.x0] += ink;
                    }
                }
            };
            edges(xa, std::min(ia, xb));
            for (int c = 0; c < planes; ++c) {
                for (int x = ia; x < ib; ++x)
                    row[c][x - t.x0] += dark;
            }
            edges(std::max(ib, xa), xb);
        }
    }
}

BYTE ToByte(float v) {
    return static_cast<BYTE>(std::clamp(v + 0.5f, 0.0f, 255.0f));
}

void Emit(const Tile& t, int width, int planes, const Scratch& s, const SimRenderTarget& target) {
    const int w = t.x1 - t.x0;
    BYTE bytes[kTile];
    for (int y = t.y0; y < t.y1; ++y) {
        const size_t src = static_cast<size_t>(y - t.y0) * s.outStride;
        const size_t dst = static_cast<size_t>(y) * width + t.x0;
        if (target.planes) {
            for (int c = 0; c < 3; ++c)
                std::copy_n(&s.out[planes == 1 ? 0 : c][src], w, &target.planes->plane[c][dst]);
        }
        if (target.bgr) {
            BYTE* out = target.bgr + dst * 3;
            if (planes == 1) {
                const float* grey = &s.out[0][src];
                for (int i = 0; i < w; ++i)
                    bytes[i] = ToByte(grey[i]);
                // Four bytes at a time, each pixel's fourth overwritten by the next pixel; the
                // row's last pixel alone, its fourth byte being another tile's.
                for (int i = 0; i + 1 < w; ++i) {
                    const uint32_t bgr = bytes[i] * 0x010101u;
                    std::memcpy(out + 3 * i, &bgr, 4);
                }
                out[3 * (w - 1)] = out[3 * (w - 1) + 1] = out[3 * (w - 1) + 2] = bytes[w - 1];
            } else {
                for (int i = 0; i < w; ++i) {
                    for (int c = 0; c < 3; ++c)
                        out[3 * i + c] = ToByte(s.out[c][src + static_cast<size_t>(i)]);
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
    const Content content = Summarise(chart, k, ca - R, cb + R, ra - R, rb + R);
    const int planes = content.bColour ? 3 : 1;
    if (content.bFlat) {
        // Paper, or one grey, as far as the kernels reach: the blur leaves it as it is.
        s.outStride = static_cast<size_t>(t.x1 - t.x0);
        s.out[0].assign(s.outStride * (t.y1 - t.y0), content.value);
    } else {
        BlurLevel(L, field, D, ca, cb, ra, rb, R, planes, s);
        if (D == 1) {
            for (int c = 0; c < planes; ++c)
                s.out[c].swap(s.down[c]);
            s.outStride = static_cast<size_t>(Padded(cb - ca + 1));
        } else {
            Upsample(t, D, ca, cb, ra, rb, planes, s);
        }
    }
    AddSquares(chart, field, t, hi, planes, s);
    Emit(t, chart.level[0].width, planes, s, target);
}

// Block row `by` of a level's summary, its blocks already counted.
void SummariseBlockRow(const SimPlanes& P, int by, SimSharpChart::Blocks& blocks) {
    constexpr int B = SimSharpChart::kBlock;
    for (int bx = 0; bx < blocks.across; ++bx) {
        SimSharpChart::Block& q = blocks.block[static_cast<size_t>(by) * blocks.across + bx];
        q.lo = q.hi = P.plane[1][static_cast<size_t>(by * B) * P.width + bx * B];
        q.bColour = false;
        for (int y = by * B; y < std::min((by + 1) * B, P.height); ++y) {
            for (int x = bx * B; x < std::min((bx + 1) * B, P.width); ++x) {
                const size_t i = static_cast<size_t>(y) * P.width + x;
                const float g = P.plane[1][i];
                q.lo = std::min(q.lo, g);
                q.hi = std::max(q.hi, g);
                q.bColour = q.bColour || P.plane[0][i] != g || P.plane[2][i] != g;
            }
        }
    }
}

// Rows [y0, y1) of level k from level k - 1: each pixel the average of a 2x2 square, the last
// row and column repeated where the finer level is odd.
void HalveRows(const SimPlanes& fine, int y0, int y1, SimPlanes& coarse) {
    for (int c = 0; c < 3; ++c) {
        const SimPlane& in = fine.plane[c];
        SimPlane& out = coarse.plane[c];
        for (int y = y0; y < y1; ++y) {
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

}  // namespace

// A band is as many rows as one pixel of the coarsest level covers, so every level's rows of a
// band come from that band's rows of the level below: bands need nothing of each other.
constexpr int kBandRows = 1 << (SimSharpChart::kLevels - 1);

CSharpChartDraw::CSharpChartDraw(int width, int height)
    : m_pChart(std::make_shared<SimSharpChart>()), m_nBands((height + kBandRows - 1) / kBandRows) {
    SimSharpChart& chart = *m_pChart;
    chart.level[0].Resize(width, height);
    for (int k = 1; k < SimSharpChart::kLevels; ++k) {
        const SimPlanes& fine = chart.level[k - 1];
        chart.level[k].Resize((fine.width + 1) / 2, (fine.height + 1) / 2);
    }
    m_nPieces = m_nBands;
    for (int k = 0; k < SimSharpChart::kLevels; ++k) {
        constexpr int B = SimSharpChart::kBlock;
        SimSharpChart::Blocks& blocks = chart.blocks[k];
        blocks.across = (chart.level[k].width + B - 1) / B;
        blocks.down = (chart.level[k].height + B - 1) / B;
        blocks.block.assign(static_cast<size_t>(blocks.across) * blocks.down, {0, 0, false});
        m_nPieces += blocks.down;
    }
    chart.squares = EdgeSquares(width, height);
}

void CSharpChartDraw::DrawPiece(int piece) {
    SimSharpChart& chart = *m_pChart;
    if (piece < m_nBands) {
        const int width = chart.level[0].width, height = chart.level[0].height;
        int y0 = piece * kBandRows, y1 = std::min(y0 + kBandRows, height);
        DrawChartRows(width, height, y0, y1, chart.level[0]);
        for (int k = 1; k < SimSharpChart::kLevels; ++k) {
            y0 /= 2;
            y1 = std::min((y1 + 1) / 2, chart.level[k].height);
            HalveRows(chart.level[k - 1], y0, y1, chart.level[k]);
        }
        return;
    }
    // The summaries read every band: they wait for the last one drawn.
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_nBandsDone == m_nBands || m_bCancelled; });
        if (m_bCancelled)
            return;
    }
    piece -= m_nBands;
    int k = 0;
    while (piece >= chart.blocks[k].down)
        piece -= chart.blocks[k++].down;
    SummariseBlockRow(chart.level[k], piece, chart.blocks[k]);
}

void CSharpChartDraw::Work(bool bAhead) {
    for (;;) {
        if (bAhead && m_bNeeded.load(std::memory_order_acquire))
            return;
        const int piece = m_next.fetch_add(1);
        if (piece >= m_nPieces)
            return;
        {
            std::lock_guard lock(m_mutex);
            if (m_bCancelled)
                return;
        }
        DrawPiece(piece);
        std::lock_guard lock(m_mutex);
        if (piece < m_nBands)
            ++m_nBandsDone;
        ++m_nDone;
        m_changed.notify_all();
    }
}

std::shared_ptr<const SimSharpChart> CSharpChartDraw::Finish(int threads) {
    m_bNeeded.store(true, std::memory_order_release);
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(std::max(threads - 1, 0)));
    for (int i = 1; i < threads; ++i) {
        try {
            helpers.emplace_back([this] { Work(false); });
        } catch (const std::system_error&) {  // no thread to spare: fewer take the pieces
            break;
        }
    }
    Work(false);
    for (auto& h : helpers)
        h.join();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_nDone == m_nPieces || m_bCancelled; });
    if (m_nDone != m_nPieces)
        return nullptr;
    return m_pChart;
}

std::shared_ptr<const SimSharpChart> CSharpChartDraw::DrawAhead() {
    Work(true);
    std::lock_guard lock(m_mutex);
    return m_nDone == m_nPieces ? m_pChart : nullptr;
}

void CSharpChartDraw::Cancel() {
    std::lock_guard lock(m_mutex);
    m_bCancelled = true;
    m_changed.notify_all();
}

std::shared_ptr<const SimSharpChart> BuildSharpChart(int width, int height, int threads) {
    CSharpChartDraw draw(width, height);
    return draw.Finish(threads);
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
    helpers.reserve(static_cast<size_t>(count - 1));
    for (int i = 1; i < count; ++i) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {  // no thread to spare: fewer take the tiles
            break;
        }
    }
    work();
    for (auto& h : helpers)
        h.join();
}
