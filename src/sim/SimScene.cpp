#include "sim/SimScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <thread>

#include "sim/SimLensRender.h"

namespace {

// The focus figure is measured on a picture of this size; its centre half in each direction.
constexpr int kFigureWidth = 320;
constexpr int kFigureHeight = 240;
// The figure is the centre's mean squared gradient to the power 3/4, scaled: about twenty
// thousand at focus and eight hundred at the start position, as operators know it.
constexpr double kFigureScale = 31.2;
constexpr double kFigurePower = 0.75;
// Pictures kept sharp (video size, figure size, still sizes) and blurred (per size).
constexpr size_t kCachedSizes = 4;
// Pictures this large are rendered on two threads.
constexpr int kThreadedPixels = 200'000;

int RenderThreads(int width, int height) {
    if (static_cast<int64_t>(width) * height < kThreadedPixels)
        return 1;
    return std::thread::hardware_concurrency() >= 2 ? 2 : 1;
}

}  // namespace

struct CSimScene::Cache {
    struct Sharp {
        int width, height;
        std::shared_ptr<const SimSharpChart> chart;
    };
    struct Blurred {
        int width, height;
        LensState lens;
        std::shared_ptr<const std::vector<BYTE>> pixels;
    };
    std::deque<Sharp> sharp;
    std::deque<Blurred> blurred;
    std::vector<LONG> figures;  // per lens position at figureTilt; -1 until measured
    int figureTiltX = 0, figureTiltY = 0;
};

CSimScene::CSimScene(const SimSceneConfig& config)
    : m_config(config),
      m_lensPosition(std::clamp(config.startPosition, config.lensMin, config.lensMax)),
      m_tiltX(std::clamp(config.tiltX, -kTiltMax, kTiltMax)),
      m_tiltY(std::clamp(config.tiltY, -kTiltMax, kTiltMax)),
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

int CSimScene::SetTiltX(int steps) {
    const int clamped = std::clamp(steps, -kTiltMax, kTiltMax);
    m_tiltX.store(clamped, std::memory_order_release);
    return clamped;
}

int CSimScene::SetTiltY(int steps) {
    const int clamped = std::clamp(steps, -kTiltMax, kTiltMax);
    m_tiltY.store(clamped, std::memory_order_release);
    return clamped;
}

CSimScene::LensState CSimScene::CurrentLens() const {
    return {GetLensPosition(), GetTiltX(), GetTiltY()};
}

SimSigmaField CSimScene::SigmaField(int width, int height, const LensState& lens) const {
    // Steps off focus at pixel coordinates (x, y): the lens position less the in-focus
    // position there.
    SimSigmaField field;
    field.a = lens.position - m_config.inFocusPosition + 0.5 * (lens.tiltX + lens.tiltY);
    field.bx = -static_cast<double>(lens.tiltX) / width;
    field.by = -static_cast<double>(lens.tiltY) / height;
    field.perStep = m_config.blurPerStep * width / 640.0;
    field.cap = kMaxBlur640 * width / 640.0;
    return field;
}

double CSimScene::BlurSigma(const SimSceneConfig& config, double x, double y, int width,
                            int position, int tiltX, int tiltY) {
    const double focus = config.inFocusPosition + tiltX * (x - 0.5) + tiltY * (y - 0.5);
    const double sigma640 = std::min(std::abs(position - focus) * config.blurPerStep, kMaxBlur640);
    return sigma640 * width / 640.0;
}

double CSimScene::BlurSigma(int position, int width) const {
    return BlurSigma(m_config, 0.5, 0.5, width, position, 0, 0);
}

double CSimScene::BlurSigmaAt(double x, double y, int width, int position) const {
    return BlurSigma(m_config, x, y, width, position, GetTiltX(), GetTiltY());
}

double CSimScene::TrueMtf50At(double x, double y, int width, int lensPosition) const {
    return TrueMtf50At(x, y, width, lensPosition, GetTiltX(), GetTiltY());
}

double CSimScene::TrueMtf50At(double x, double y, int width, int lensPosition, int tiltX,
                              int tiltY) const {
    return TrueMtf50(BlurSigma(m_config, x, y, width, lensPosition, tiltX, tiltY));
}

std::shared_ptr<const SimSharpChart> CSimScene::SharpChart(int width, int height) const {
    {
        std::lock_guard lock(m_mutex);
        for (const auto& s : m_pCache->sharp) {
            if (s.width == width && s.height == height)
                return s.chart;
        }
    }
    // Drawn outside the lock: a still-sized chart takes a while and frames must go on.
    std::shared_ptr<const SimSharpChart> chart =
        BuildSharpChart(width, height, RenderThreads(width, height));
    std::lock_guard lock(m_mutex);
    m_pCache->sharp.push_front({width, height, chart});
    if (m_pCache->sharp.size() > kCachedSizes)
        m_pCache->sharp.pop_back();
    return chart;
}

std::shared_ptr<const std::vector<BYTE>> CSimScene::RenderBlurred(int width, int height) const {
    const LensState lens = CurrentLens();
    std::shared_ptr<std::vector<BYTE>> pixels;
    {
        std::lock_guard lock(m_mutex);
        for (auto& b : m_pCache->blurred) {
            if (b.width == width && b.height == height && b.lens == lens)
                return b.pixels;
            // The size's last picture, when no one holds it any more, takes the new one: a
            // still's worth of fresh memory costs more than many a blur.
            if (b.width == width && b.height == height && b.pixels.use_count() == 1)
                pixels = std::const_pointer_cast<std::vector<BYTE>>(std::move(b.pixels));
        }
        std::erase_if(m_pCache->blurred, [](const auto& b) { return !b.pixels; });
    }
    if (!pixels)
        pixels = std::make_shared<std::vector<BYTE>>(static_cast<size_t>(width) * height * 3);
    RenderThroughLens(*SharpChart(width, height), SigmaField(width, height, lens), false,
                      RenderThreads(width, height), {pixels->data(), nullptr});
    std::lock_guard lock(m_mutex);
    auto& blurred = m_pCache->blurred;
    std::erase_if(blurred, [&](const auto& b) { return b.width == width && b.height == height; });
    blurred.push_front({width, height, lens, pixels});
    if (blurred.size() > kCachedSizes)
        blurred.pop_back();
    return pixels;
}

void CSimScene::RenderPlanes(int width, int height, SimPlanes& planes) const {
    if (width <= 0 || height <= 0)
        return;
    RenderThroughLens(*SharpChart(width, height), SigmaField(width, height, CurrentLens()), false,
                      RenderThreads(width, height), {nullptr, &planes});
}

void CSimScene::RenderBgr(int width, int height, BYTE* pixels, size_t stride,
                          bool bBottomUp) const {
    if (width <= 0 || height <= 0 || !pixels)
        return;
    const auto bgr = RenderBlurred(width, height);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        const int target = bBottomUp ? height - 1 - y : y;
        std::memcpy(pixels + static_cast<size_t>(target) * stride, &(*bgr)[y * rowBytes], rowBytes);
    }
}

void CSimScene::RenderBayer(int width, int height, int phase, BYTE* samples) const {
    if (width <= 0 || height <= 0 || !samples)
        return;
    // Channel (0 blue, 1 green, 2 red) under each site of the 2x2 cell, per phase.
    static constexpr int kChannel[4][4] = {{2, 1, 1, 0}, {1, 2, 0, 1}, {1, 0, 2, 1}, {0, 1, 1, 2}};
    const int* cell = kChannel[phase & 3];
    const auto bgr = RenderBlurred(width, height);
    for (int y = 0; y < height; ++y) {
        const BYTE* row = &(*bgr)[static_cast<size_t>(y) * width * 3];
        BYTE* out = samples + static_cast<size_t>(y) * width;
        const int* sites = cell + 2 * (y & 1);
        for (int x = 0; x < width; ++x)
            out[x] = row[3 * x + sites[x & 1]];
    }
}

LONG CSimScene::FocusFigureAt(int position) const {
    position = std::clamp(position, m_config.lensMin, m_config.lensMax);
    const LensState lens{position, GetTiltX(), GetTiltY()};
    const size_t slot = static_cast<size_t>(position - m_config.lensMin);
    {
        std::lock_guard lock(m_mutex);
        Cache& cache = *m_pCache;
        if (cache.figureTiltX != lens.tiltX || cache.figureTiltY != lens.tiltY) {
            std::fill(cache.figures.begin(), cache.figures.end(), -1);
            cache.figureTiltX = lens.tiltX;
            cache.figureTiltY = lens.tiltY;
        }
        if (cache.figures[slot] >= 0)
            return cache.figures[slot];
    }
    // Measured unrounded on its own picture, blurred on its own pixels at every sigma, so the
    // figure is smooth in the lens position and never disturbs the video's cached pictures.
    SimPlanes planes;
    RenderThroughLens(*SharpChart(kFigureWidth, kFigureHeight),
                      SigmaField(kFigureWidth, kFigureHeight, lens), true, 1, {nullptr, &planes});
    auto luma = [&](int x, int y) {
        const size_t i = static_cast<size_t>(y) * kFigureWidth + x;
        return (planes.plane[0][i] + 2.0 * planes.plane[1][i] + planes.plane[2][i]) / 4.0;
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
    const double figure =
        std::pow(energy / samples, kFigurePower) * kFigureScale * m_config.focusGain;
    const LONG reported = figure > 0x7FFF ? kFocusOverflow : static_cast<LONG>(std::lround(figure));
    std::lock_guard lock(m_mutex);
    if (m_pCache->figureTiltX == lens.tiltX && m_pCache->figureTiltY == lens.tiltY)
        m_pCache->figures[slot] = reported;
    return reported;
}
