#include "sim/SimScene.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <new>
#include <system_error>
#include <thread>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "platform/log/Log.h"
#include "sim/SimLensRender.h"
#include "sim/SimLog.h"

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

// A chart drawn ahead gives way to the video's frames: on Linux a thread's nice value is its own.
constexpr int kAheadNice = 10;

void LowerThisThreadsPriority() {
#if defined(__linux__)
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kAheadNice);
#endif
}

}  // namespace

struct CSimScene::Cache {
    struct Sharp {
        int width, height;
        std::shared_ptr<CSharpChartDraw> draw;  // until the chart is drawn
        std::shared_ptr<const SimSharpChart> chart;
    };
    // A blurred picture and how many hold it: the count, not the pointer's use count, tells a
    // reuse that every reader has finished (its release pairs with the reuse's acquire).
    struct Pixels {
        explicit Pixels(size_t size) : bytes(size) {}
        SimBytes bytes;
        std::atomic<int> holders{0};
    };
    struct Blurred {
        int width, height;
        LensState lens;
        std::shared_ptr<Pixels> pixels;
    };
    static std::shared_ptr<const SimBytes> Lend(const std::shared_ptr<Pixels>& pixels) {
        pixels->holders.fetch_add(1, std::memory_order_relaxed);
        return {&pixels->bytes, [pixels](const SimBytes*) {
                    pixels->holders.fetch_sub(1, std::memory_order_release);
                }};
    }
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

CSimScene::~CSimScene() {
    std::vector<Ahead> ahead;
    {
        std::lock_guard lock(m_mutex);
        ahead.swap(m_ahead);
    }
    for (Ahead& a : ahead)
        a.draw->Cancel();
    for (Ahead& a : ahead)
        a.thread.join();
}

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
    std::shared_ptr<CSharpChartDraw> draw;
    {
        std::lock_guard lock(m_mutex);
        auto& sharp = m_pCache->sharp;
        for (const auto& s : sharp) {
            if (s.width == width && s.height == height) {
                if (s.chart)
                    return s.chart;
                draw = s.draw;
            }
        }
        if (!draw) {
            draw = std::make_shared<CSharpChartDraw>(width, height);
            sharp.push_front({width, height, draw, nullptr});
            if (sharp.size() > kCachedSizes)
                sharp.pop_back();
        }
    }
    // Drawn outside the lock, with whoever draws it ahead: a still-sized chart takes a while
    // and frames must go on.
    const auto start = std::chrono::steady_clock::now();
    auto chart = draw->Finish(RenderThreads(width, height));
    if (!chart)  // only while the scene is torn down
        chart = BuildSharpChart(width, height, 1);
    LogDebug(kLogSim, "sharp chart of %d x %d: ready after %lld ms", width, height,
             static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count()));
    std::lock_guard lock(m_mutex);
    KeepSharpChart(draw.get(), chart);
    return chart;
}

void CSimScene::KeepSharpChart(const CSharpChartDraw* draw,
                               const std::shared_ptr<const SimSharpChart>& chart) const {
    for (auto& s : m_pCache->sharp) {
        if (s.draw.get() == draw) {
            s.chart = chart;
            s.draw.reset();
        }
    }
}

void CSimScene::DrawAhead(int width, int height) {
    if (width <= 0 || height <= 0)
        return;
    std::vector<Ahead> ended;
    {
        std::lock_guard lock(m_mutex);
        // Threads that drew a chart before are joined below, out of the lock they may still
        // be leaving.
        for (auto it = m_ahead.begin(); it != m_ahead.end();) {
            if (it->pEnded->load(std::memory_order_acquire)) {
                ended.push_back(std::move(*it));
                it = m_ahead.erase(it);
            } else {
                ++it;
            }
        }
        auto& sharp = m_pCache->sharp;
        const bool bKnown = std::any_of(sharp.begin(), sharp.end(), [&](const auto& s) {
            return s.width == width && s.height == height;
        });
        // Short of memory or threads, the chart is drawn when it is first needed instead.
        if (!bKnown) {
            try {
                auto draw = std::make_shared<CSharpChartDraw>(width, height);
                auto pEnded = std::make_shared<std::atomic<bool>>(false);
                m_ahead.reserve(m_ahead.size() + 1);  // nothing throws once the thread runs
                sharp.push_front({width, height, draw, nullptr});
                if (sharp.size() > kCachedSizes)
                    sharp.pop_back();
                std::thread thread([this, draw, pEnded] {
                    LowerThisThreadsPriority();
                    if (auto chart = draw->DrawAhead()) {
                        std::lock_guard kept(m_mutex);
                        KeepSharpChart(draw.get(), chart);
                    }
                    pEnded->store(true, std::memory_order_release);
                });
                m_ahead.push_back({std::move(thread), std::move(draw), std::move(pEnded)});
                LogDebug(kLogSim, "sharp chart of %d x %d: drawn ahead", width, height);
            } catch (const std::system_error&) {
                LogDebug(kLogSim, "sharp chart of %d x %d: no thread to draw it ahead", width,
                         height);
            } catch (const std::bad_alloc&) {
                LogDebug(kLogSim, "sharp chart of %d x %d: no memory to draw it ahead", width,
                         height);
            }
        }
    }
    for (Ahead& a : ended)
        a.thread.join();
}

std::shared_ptr<const SimBytes> CSimScene::Picture(int width, int height,
                                                   const LensState& lens) const {
    if (width <= 0 || height <= 0)
        return std::make_shared<const SimBytes>();
    std::shared_ptr<Cache::Pixels> pixels;
    {
        std::lock_guard lock(m_mutex);
        for (auto& b : m_pCache->blurred) {
            if (b.width == width && b.height == height && b.lens == lens)
                return Cache::Lend(b.pixels);
            // The size's last picture, when no one holds it any more, takes the new one: a
            // still's worth of fresh memory costs more than many a blur.
            if (b.width == width && b.height == height &&
                b.pixels->holders.load(std::memory_order_acquire) == 0)
                pixels = std::move(b.pixels);
        }
        std::erase_if(m_pCache->blurred, [](const auto& b) { return !b.pixels; });
    }
    if (!pixels)
        pixels = std::make_shared<Cache::Pixels>(static_cast<size_t>(width) * height * 3);
    RenderThroughLens(*SharpChart(width, height), SigmaField(width, height, lens), false,
                      RenderThreads(width, height), {pixels->bytes.data(), nullptr});
    std::lock_guard lock(m_mutex);
    auto& blurred = m_pCache->blurred;
    std::erase_if(blurred, [&](const auto& b) { return b.width == width && b.height == height; });
    blurred.push_front({width, height, lens, pixels});
    if (blurred.size() > kCachedSizes)
        blurred.pop_back();
    return Cache::Lend(pixels);
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
    const auto bgr = Picture(width, height, CurrentLens());
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        const int target = bBottomUp ? height - 1 - y : y;
        std::memcpy(pixels + static_cast<size_t>(target) * stride, &(*bgr)[y * rowBytes], rowBytes);
    }
}

void CSimScene::RenderBayer(int width, int height, int phase, BYTE* samples) const {
    RenderBayer(width, height, phase, samples, CurrentLens());
}

void CSimScene::RenderBayer(int width, int height, int phase, BYTE* samples,
                            const LensState& lens) const {
    if (width <= 0 || height <= 0 || !samples)
        return;
    // Channel (0 blue, 1 green, 2 red) under each site of the 2x2 cell, per phase.
    static constexpr int kChannel[4][4] = {{2, 1, 1, 0}, {1, 2, 0, 1}, {1, 0, 2, 1}, {0, 1, 1, 2}};
    const int* cell = kChannel[phase & 3];
    const auto bgr = Picture(width, height, lens);
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
