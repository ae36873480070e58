#include "session/RegionMeter.h"

#include <cstring>

CRegionMeter::CRegionMeter() : m_worker([this] { Work(); }) {}

CRegionMeter::~CRegionMeter() {
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void CRegionMeter::OnFrame(const VideoFrameRef& frame) {
    std::lock_guard lock(m_mutex);
    if (m_bPending || m_bMeasuring || m_bQuit) {
        ++m_nDropped;
        return;
    }
    CopyRegions(frame);
    m_bPending = true;
    m_wake.notify_one();
}

// Only the regions are copied (a few per cent of a frame), so the preview hardly waits.
void CRegionMeter::CopyRegions(const VideoFrameRef& frame) {
    m_nFrameWidth = frame.width;
    m_nFrameHeight = frame.Rows();
    for (int r = 0; r < kSfrRegionCount; ++r) {
        const SfrRect rect =
            SfrRegionRect(static_cast<SfrRegion>(r), m_nFrameWidth, m_nFrameHeight);
        Tile& tile = m_tiles[r];
        tile.width = rect.width;
        tile.height = rect.height;
        tile.bgr.resize(static_cast<size_t>(rect.width) * rect.height * 3);
        for (int y = 0; y < rect.height; ++y) {
            const BYTE* src = frame.TopDownRow(rect.top + y);
            uint8_t* dst = &tile.bgr[static_cast<size_t>(y) * rect.width * 3];
            if (!frame.IsYuy2()) {
                std::memcpy(dst, src + static_cast<size_t>(rect.left) * 3,
                            static_cast<size_t>(rect.width) * 3);
                continue;
            }
            // Luma as grey: the measurement needs nothing else of the colours.
            for (int x = 0; x < rect.width; ++x) {
                const BYTE y8 = src[2 * static_cast<size_t>(rect.left + x)];
                dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = y8;
            }
        }
    }
}

void CRegionMeter::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bPending || m_bQuit; });
        if (m_bQuit)
            return;
        m_bPending = false;
        m_bMeasuring = true;
        const uint64_t generation = m_nGeneration;
        RegionReading reading;
        reading.width = m_nFrameWidth;
        reading.height = m_nFrameHeight;
        lock.unlock();
        for (int r = 0; r < kSfrRegionCount; ++r) {
            const Tile& tile = m_tiles[r];
            const BgrView view{tile.bgr.data(), tile.width, tile.height,
                               static_cast<ptrdiff_t>(tile.width) * 3};
            reading.sharpness.regions[r] =
                MeasureSlantedEdge(view, SfrRect{0, 0, tile.width, tile.height});
        }
        lock.lock();
        m_bMeasuring = false;
        ++m_nMeasured;
        if (generation == m_nGeneration) {
            reading.sequence = m_nMeasured;
            m_latest = reading;
            m_bHasLatest = true;
        }
        m_idle.notify_all();
    }
}

bool CRegionMeter::Latest(RegionReading& reading) const {
    std::lock_guard lock(m_mutex);
    if (!m_bHasLatest)
        return false;
    reading = m_latest;
    return true;
}

void CRegionMeter::Forget() {
    std::lock_guard lock(m_mutex);
    ++m_nGeneration;
    m_bHasLatest = false;
    m_bPending = false;  // a frame taken before the forgetting is not measured either
    m_idle.notify_all();
}

void CRegionMeter::WaitIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_bPending && !m_bMeasuring; });
}

uint64_t CRegionMeter::FramesMeasured() const {
    std::lock_guard lock(m_mutex);
    return m_nMeasured;
}

uint64_t CRegionMeter::FramesDropped() const {
    std::lock_guard lock(m_mutex);
    return m_nDropped;
}

RegionSharpness MeasureStillRegions(const BYTE* image, int width, int height) {
    if (!image || width <= 0 || height <= 0)
        return {};
    const ptrdiff_t rowBytes = static_cast<ptrdiff_t>(width) * 3;
    const BgrView view{image + rowBytes * (height - 1), width, height, -rowBytes};
    return MeasureRegions(view);
}
