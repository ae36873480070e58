// CRegionMeter: the sharpness of the preview's five regions, measured from its frames off the
// user-interface thread. The renderer tells it of each frame on the streaming thread; it copies
// the five regions of a frame only when it is idle and measures them on its own thread, so it
// always works on the newest frame it could take: frames that arrive meanwhile are dropped,
// never queued. Readers take the latest reading whenever they like.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "measure/RegionSharpness.h"
#include "platform/dshow/FrameTap.h"

// One measured frame.
struct RegionReading {
    uint64_t sequence = 0;  // counts readings since the meter was made; 0 for none
    int width = 0;          // of the frame
    int height = 0;
    RegionSharpness sharpness;
};

class CRegionMeter final : public IFrameSink {
public:
    CRegionMeter();
    ~CRegionMeter();
    CRegionMeter(const CRegionMeter&) = delete;
    CRegionMeter& operator=(const CRegionMeter&) = delete;

    // Streaming thread: takes the frame's regions if the meter is idle, else drops the frame.
    void OnFrame(const VideoFrameRef& frame) override;

    // The latest reading since the last Forget; false when there is none.
    bool Latest(RegionReading& reading) const;
    // Forgets the latest reading (a new preview begins); a measurement under way is discarded.
    void Forget();
    // Blocks until no frame is waiting or being measured (tests).
    void WaitIdle();

    uint64_t FramesMeasured() const;
    uint64_t FramesDropped() const;

private:
    struct Tile {
        std::vector<uint8_t> bgr;  // top-down, packed
        int width = 0;
        int height = 0;
    };

    void CopyRegions(const VideoFrameRef& frame);
    void Work();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    bool m_bPending = false;    // tiles hold a frame not yet measured
    bool m_bMeasuring = false;  // the worker reads the tiles
    bool m_bQuit = false;
    uint64_t m_nGeneration = 0;  // Forget's count: a measurement of an older one is discarded
    std::array<Tile, kSfrRegionCount> m_tiles;
    int m_nFrameWidth = 0;
    int m_nFrameHeight = 0;
    RegionReading m_latest;
    bool m_bHasLatest = false;
    uint64_t m_nMeasured = 0;
    uint64_t m_nDropped = 0;
    std::thread m_worker;  // last: starts once everything above exists
};

// The five regions of a still (rows bottom-up, packed, 3 bytes a pixel), measured at once.
RegionSharpness MeasureStillRegions(const BYTE* image, int width, int height);
