// CSimScene: what the simulated camera looks at. A high-contrast focus chart (Siemens star,
// bar groups, lettering, colour patches) seen through a lens the operator turns; the further
// the lens is from its in-focus position, the blurrier every picture rendered from it.
// Thread-safe: the capture streaming thread renders while the UI thread turns the lens.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/com/Types.h"
#include "platform/ks/VendorPropertySet.h"

struct SimSceneConfig {
    int lensMin = 0;
    int lensMax = 1000;
    int inFocusPosition = 620;  // lens position of the sharpest picture
    int startPosition = 420;    // where the lens sits when the camera powers up
    // Blur (gaussian sigma, in pixels of a 640-wide picture) per lens step off focus.
    double blurPerStep = 0.035;
    // Multiplies the focus figure; raise it to drive the figure into overflow.
    double focusGain = 1.0;
};

class CSimScene {
public:
    // The figure reported when the measure does not fit the firmware's 16-bit range.
    static constexpr LONG kFocusOverflow = VENDOR_FOCUS_OVERFLOW;

    explicit CSimScene(const SimSceneConfig& config = {});
    ~CSimScene();
    CSimScene(const CSimScene&) = delete;
    CSimScene& operator=(const CSimScene&) = delete;

    const SimSceneConfig& Config() const { return m_config; }

    int GetLensPosition() const { return m_lensPosition.load(std::memory_order_acquire); }
    // Clamped to the lens's travel; returns the position taken.
    int SetLensPosition(int position);
    int MoveLens(int delta_steps);

    // Renders the chart as seen at the current lens position: 3 bytes per pixel in the
    // order blue, green, red; `stride` bytes from one row to the next; rows top-down unless
    // bBottomUp. The chart always fills the whole picture, whatever its size.
    void RenderBgr(int width, int height, BYTE* pixels, size_t stride, bool bBottomUp) const;
    // The same picture sampled through a Bayer filter: one 8-bit sample per pixel, rows
    // top-down without gaps. Phase 0..3 is RGGB, GRBG, GBRG, BGGR (top-left 2x2 cell).
    void RenderBayer(int width, int height, int phase, BYTE* samples) const;

    // Sharpness of the centre of the picture at the current (or given) lens position: a
    // gradient energy that peaks at the in-focus position; kFocusOverflow when it exceeds
    // 0x7FFF after the gain.
    LONG FocusFigure() const { return FocusFigureAt(GetLensPosition()); }
    LONG FocusFigureAt(int position) const;

    // Blur sigma in pixels for a picture `width` pixels wide at the given lens position.
    double BlurSigma(int position, int width) const;

private:
    struct Cache;

    std::shared_ptr<const std::vector<BYTE>> SharpChart(int width, int height) const;
    void RenderBlurred(int width, int height, int position, std::vector<BYTE>& bgr) const;

    const SimSceneConfig m_config;
    std::atomic<int> m_lensPosition;
    mutable std::mutex m_mutex;  // guards m_pCache
    std::unique_ptr<Cache> m_pCache;
};
