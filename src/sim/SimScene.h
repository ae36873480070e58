// CSimScene: what the simulated camera looks at. A high-contrast focus chart (five slanted
// edges for a sharpness measurement, Siemens star, bar groups, lettering, colour patches) seen
// through a lens the operator turns and may tilt: each pixel's area of the chart, blurred by a
// Gaussian whose sigma grows with the lens's distance from focus at that place. Its sharpness
// is known exactly (TrueMtf50At). Thread-safe: the capture streaming thread renders while the
// UI thread turns and tilts the lens.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/com/Types.h"
#include "platform/ks/VendorPropertySet.h"
#include "sim/SimMemory.h"
#include "sim/SimOptics.h"

class CSharpChartDraw;
struct SimPlanes;
struct SimSharpChart;

struct SimSceneConfig {
    int lensMin = 0;
    int lensMax = 1000;
    int inFocusPosition = 620;  // lens position of the sharpest picture
    int startPosition = 420;    // where the lens sits when the camera powers up
    // Lens steps by which the in-focus position changes from the picture's left edge to its
    // right (X) and from its top to its bottom (Y): 620 + tiltX * (x - 0.5) + tiltY * (y - 0.5)
    // at a place x, y in fractions of the width and height.
    int tiltX = 0;
    int tiltY = 0;
    // Blur (Gaussian sigma, in pixels of a 640-wide picture) per lens step off focus, up to
    // kMaxBlur640.
    double blurPerStep = 0.035;
    // Multiplies the focus figure; raise it to drive the figure into overflow.
    double focusGain = 1.0;
};

class CSimScene {
public:
    // The figure reported when the measure does not fit the firmware's 16-bit range.
    static constexpr LONG kFocusOverflow = VENDOR_FOCUS_OVERFLOW;
    static constexpr int kTiltMax = 100;
    static constexpr double kMaxBlur640 = 40.0;

    // Where the lens stands and how it is tilted: what a picture is rendered at.
    struct LensState {
        int position, tiltX, tiltY;
        bool operator==(const LensState&) const = default;
    };

    explicit CSimScene(const SimSceneConfig& config = {});
    ~CSimScene();
    CSimScene(const CSimScene&) = delete;
    CSimScene& operator=(const CSimScene&) = delete;

    const SimSceneConfig& Config() const { return m_config; }

    int GetLensPosition() const { return m_lensPosition.load(std::memory_order_acquire); }
    // Clamped to the lens's travel; returns the position taken.
    int SetLensPosition(int position);
    int MoveLens(int delta_steps);

    int GetTiltX() const { return m_tiltX.load(std::memory_order_acquire); }
    int GetTiltY() const { return m_tiltY.load(std::memory_order_acquire); }
    // Clamped to +-kTiltMax lens steps; return the tilt taken.
    int SetTiltX(int steps);
    int SetTiltY(int steps);

    LensState CurrentLens() const;

    // Renders the chart as seen at the current lens position: 3 bytes per pixel in the
    // order blue, green, red; `stride` bytes from one row to the next; rows top-down unless
    // bBottomUp. The chart always fills the whole picture, whatever its size.
    void RenderBgr(int width, int height, BYTE* pixels, size_t stride, bool bBottomUp) const;
    // The same picture at `lens`, top-down without gaps, as the scene keeps it: shared, not
    // copied; empty for a size that is not positive.
    std::shared_ptr<const SimBytes> Picture(int width, int height, const LensState& lens) const;
    // The same picture sampled through a Bayer filter: one 8-bit sample per pixel, rows
    // top-down without gaps. Phase 0..3 is RGGB, GRBG, GBRG, BGGR (top-left 2x2 cell).
    void RenderBayer(int width, int height, int phase, BYTE* samples) const;
    void RenderBayer(int width, int height, int phase, BYTE* samples, const LensState& lens) const;

    // Draws the sharp chart of that size on a thread of its own at a low priority, so that
    // the first picture of the size does not wait for all of it; nothing if it is drawn or
    // being drawn already. The scene's destructor stops and joins such a thread.
    void DrawAhead(int width, int height);

    // Sharpness of the centre of the picture at the current (or given) lens position and the
    // current tilt: a gradient energy of the unrounded picture, rising step by step to its one
    // peak where the centre is in focus and falling after; kFocusOverflow when it exceeds
    // 0x7FFF after the gain.
    LONG FocusFigure() const { return FocusFigureAt(GetLensPosition()); }
    LONG FocusFigureAt(int position) const;

    // Blur sigma in pixels at the centre of a picture `width` pixels wide at the given lens
    // position; and at the place x, y (fractions of width and height) with the current tilt.
    double BlurSigma(int position, int width) const;
    double BlurSigmaAt(double x, double y, int width, int position) const;
    static double BlurSigma(const SimSceneConfig& config, double x, double y, int width,
                            int position, int tiltX, int tiltY);

    // The true MTF50, in cycles per pixel, of the pictures rendered `width` pixels wide at the
    // place x, y (fractions of width and height) at that lens position with the current tilt
    // (or the tilt given): the Gaussian there seen through the pixel's area. Pictures agree
    // with it within 1 %.
    double TrueMtf50At(double x, double y, int width, int lensPosition) const;
    double TrueMtf50At(double x, double y, int width, int lensPosition, int tiltX, int tiltY) const;

    // The picture at the current lens position and tilt, before rounding to bytes.
    void RenderPlanes(int width, int height, SimPlanes& planes) const;

private:
    struct Cache;
    // A thread drawing a chart ahead; pEnded is set as its last step.
    struct Ahead {
        std::thread thread;
        std::shared_ptr<CSharpChartDraw> draw;
        std::shared_ptr<std::atomic<bool>> pEnded;
    };

    SimSigmaField SigmaField(int width, int height, const LensState& lens) const;
    std::shared_ptr<const SimSharpChart> SharpChart(int width, int height) const;
    // Takes the chart a finished draw made into the cache; with m_mutex held.
    void KeepSharpChart(const CSharpChartDraw* draw,
                        const std::shared_ptr<const SimSharpChart>& chart) const;

    const SimSceneConfig m_config;
    std::atomic<int> m_lensPosition;
    std::atomic<int> m_tiltX;
    std::atomic<int> m_tiltY;
    mutable std::mutex m_mutex;  // guards m_pCache and m_ahead
    std::unique_ptr<Cache> m_pCache;
    std::vector<Ahead> m_ahead;
};
