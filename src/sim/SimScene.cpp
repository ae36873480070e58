#include "sim/SimScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>

#include "sim/SimChart.h"

namespace {

// The focus figure is measured on a picture of this size; its centre half in each direction.
constexpr int kFigureWidth = 320;
constexpr int kFigureHeight = 240;
// Scales the centre's RMS gradient to a figure of about twenty thousand at focus.
constexpr double kFigureScale = 160.0;
// Pictures kept sharp (video size, figure size, still sizes) and blurred (last lens per size).
constexpr size_t kCachedSizes = 4;

}  // namespace

struct CSimScene::Cache {
    struct Sharp {
        int width, height;
        std::shared_ptr<const std::vector<BYTE>> pixels;
    };
    struct Blurred {
        int width, height;
        double sigma;
        std::shared_ptr<const std::vector<BYTE>> pixels;
    };
    std::deque<Sharp> sharp;
    std::deque<Blurred> blurred;
    std::vector<LONG> figures;  // per lens position; -1 until measured
};

CSimScene::CSimScene(const SimSceneConfig& config)
    : m_config(config),
      m_lensPosition(std::clamp(config.startPosition, config.lensMin, config.lensMax)),
      m_pCache(std::make_unique<Cache>()) {
    m_pCache->figures.assign(static_cast<size_t>(config.lensMax - config.lensMin + 1), -1);
}

CSimScene::~CSimScene() = default;

int CSimScene::SetLensPosition(int position) {
    const int clamped = std::clamp(position, m_config.lensMin, m_config.lensMax);
    m_lensPosition.store(clamped, std::memory_order_release);
    return clamped;
}

int CSimScene::MoveLens(int delta_steps) {
    int current = m_lensPosition.load(std::memory_order_acquire);
    int next = 0;
    do {
        next = std::clamp(current + delta_steps, m_config.lensMin, m_config.lensMax);
    } while (!m_lensPosition.compare_exchange_weak(current, next, std::memory_order_acq_rel));
    return next;
}

double CSimScene::BlurSigma(int position, int width) const {
    const double steps = std::abs(position - m_config.inFocusPosition);
    const double sigma640 = std::min(steps * m_config.blurPerStep, 40.0);
    return sigma640 * width / 640.0;
}

std::shared_ptr<const std::vector<BYTE>> CSimScene::SharpChart(int width, int height) const {
    {
        std::lock_guard lock(m_mutex);
        for (const auto& s : m_pCache->sharp) {
            if (s.width == width && s.height == height)
                return s.pixels;
        }
    }
    // Drawn outside the lock: a still-sized chart takes a while and frames must go on.
    auto pixels = std::make_shared<std::vector<BYTE>>();
    DrawFocusChart(width, height, *pixels);
    std::lock_guard lock(m_mutex);
    m_pCache->sharp.push_front({width, height, pixels});
    if (m_pCache->sharp.size() > kCachedSizes)
        m_pCache->sharp.pop_back();
    return pixels;
}

void CSimScene::RenderBlurred(int width, int height, int position, std::vector<BYTE>& bgr) const {
    const double sigma = BlurSigma(position, width);
    {
        std::lock_guard lock(m_mutex);
        for (const auto& b : m_pCache->blurred) {
            if (b.width == width && b.height == height && b.sigma == sigma) {
                bgr = *b.pixels;
                return;
            }
        }
    }
    bgr = *SharpChart(width, height);
    BlurBgr(width, height, sigma, bgr);
    auto kept = std::make_shared<const std::vector<BYTE>>(bgr);
    std::lock_guard lock(m_mutex);
    auto& blurred = m_pCache->blurred;
    std::erase_if(blurred, [&](const auto& b) { return b.width == width && b.height == height; });
    blurred.push_front({width, height, sigma, std::move(kept)});
    if (blurred.size() > kCachedSizes)
        blurred.pop_back();
}

void CSimScene::RenderBgr(int width, int height, BYTE* pixels, size_t stride,
                          bool bBottomUp) const {
    if (width <= 0 || height <= 0 || !pixels)
        return;
    std::vector<BYTE> bgr;
    RenderBlurred(width, height, GetLensPosition(), bgr);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        const int target = bBottomUp ? height - 1 - y : y;
        std::memcpy(pixels + static_cast<size_t>(target) * stride, &bgr[y * rowBytes], rowBytes);
    }
}

void CSimScene::RenderBayer(int width, int height, int phase, BYTE* samples) const {
    if (width <= 0 || height <= 0 || !samples)
        return;
    // Channel (0 blue, 1 green, 2 red) under each site of the 2x2 cell, per phase.
    static constexpr int kChannel[4][4] = {{2, 1, 1, 0}, {1, 2, 0, 1}, {1, 0, 2, 1}, {0, 1, 1, 2}};
    const int* cell = kChannel[phase & 3];
    std::vector<BYTE> bgr;
    RenderBlurred(width, height, GetLensPosition(), bgr);
    for (int y = 0; y < height; ++y) {
        const BYTE* row = &bgr[static_cast<size_t>(y) * width * 3];
        BYTE* out = samples + static_cast<size_t>(y) * width;
        const int* sites = cell + 2 * (y & 1);
        for (int x = 0; x < width; ++x)
            out[x] = row[3 * x + sites[x & 1]];
    }
}

LONG CSimScene::FocusFigureAt(int position) const {
    position = std::clamp(position, m_config.lensMin, m_config.lensMax);
    const size_t slot = static_cast<size_t>(position - m_config.lensMin);
    {
        std::lock_guard lock(m_mutex);
        if (m_pCache->figures[slot] >= 0)
            return m_pCache->figures[slot];
    }
    // Measured on a private copy so the figure never disturbs the video's cached pictures.
    std::vector<BYTE> bgr = *SharpChart(kFigureWidth, kFigureHeight);
    BlurBgr(kFigureWidth, kFigureHeight, BlurSigma(position, kFigureWidth), bgr);
    auto luma = [&](int x, int y) {
        const BYTE* p = &bgr[(static_cast<size_t>(y) * kFigureWidth + x) * 3];
        return (p[0] + 2.0 * p[1] + p[2]) / 4.0;
    };
    double energy = 0;
    int samples = 0;
    for (int y = kFigureHeight / 4; y < kFigureHeight * 3 / 4; ++y) {
        for (int x = kFigureWidth / 4; x < kFigureWidth * 3 / 4; ++x) {
            const double gx = luma(x + 1, y) - luma(x, y);
            const double gy = luma(x, y + 1) - luma(x, y);
            energy += gx * gx + gy * gy;
            ++samples;
        }
    }
    const double figure = std::sqrt(energy / samples) * kFigureScale * m_config.focusGain;
    const LONG reported = figure > 0x7FFF ? kFocusOverflow : static_cast<LONG>(std::lround(figure));
    std::lock_guard lock(m_mutex);
    m_pCache->figures[slot] = reported;
    return reported;
}
