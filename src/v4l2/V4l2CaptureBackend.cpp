#include "v4l2/V4l2CaptureBackend.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "platform/dshow/FilterInterfaces.h"
#include "platform/log/Log.h"
#include "platform/vidcap/CaptureFormats.h"
#include "v4l2/V4l2Log.h"

namespace {

// How long a still may wait for its frame: a camera's first frames after a switch can be slow.
constexpr int64_t kStillWait_ms = 3000;

// The interval a mode streams at when asked for `wanted`, and whether that is at least as
// fast as asked.
int64_t NearestInterval(const V4l2Mode& mode, int64_t wanted, bool& bFastEnough) {
    const std::vector<int64_t>& t = mode.intervals_100ns;
    if (mode.bRange) {
        const int64_t chosen = std::clamp(wanted, t.front(), t.back());
        bFastEnough = chosen <= wanted;
        return chosen;
    }
    // Ascending: the last one not longer than wanted, else the shortest.
    const auto after = std::upper_bound(t.begin(), t.end(), wanted);
    bFastEnough = after != t.begin();
    return bFastEnough ? *std::prev(after) : t.front();
}

int RankOf(const V4l2Mode& mode) {
    const V4l2PixelFormatInfo* info = FindV4l2PixelFormat(mode.pixelFormat);
    return info ? info->rank : std::numeric_limits<int>::max();
}

}  // namespace

size_t ChooseV4l2Mode(const std::vector<V4l2Mode>& modes, const std::vector<size_t>& candidates,
                      int64_t wanted_100ns, int64_t& interval_100ns) {
    size_t best = candidates.front();
    bool bBestFast = false;
    int64_t bestInterval = 0;
    bool bFirst = true;
    for (const size_t i : candidates) {
        bool bFast = false;
        const int64_t t = NearestInterval(modes[i], wanted_100ns, bFast);
        bool bBetter = bFirst;
        if (!bFirst) {
            if (bFast != bBestFast)
                bBetter = bFast;
            else if (t != bestInterval)
                // Both fast enough: the slower is nearer. Neither: the faster is nearer.
                bBetter = bFast ? t > bestInterval : t < bestInterval;
            else
                bBetter = RankOf(modes[i]) < RankOf(modes[best]);
        }
        if (bBetter) {
            best = i;
            bBestFast = bFast;
            bestInterval = t;
            bFirst = false;
        }
    }
    interval_100ns = bestInterval;
    return best;
}

CV4l2CaptureBackend::CV4l2CaptureBackend(std::unique_ptr<CV4l2Camera> camera,
                                         const std::vector<V4l2Mode>& modes)
    : m_pCamera(std::move(camera)) {
    for (const V4l2Mode& mode : modes) {
        if (FindV4l2PixelFormat(mode.pixelFormat) && !mode.intervals_100ns.empty())
            m_modes.push_back(mode);
        else
            LogDebug(kLogV4l2, "%s: %s %u x %u is not converted: left out",
                     m_pCamera->Path().c_str(), FourCcText(mode.pixelFormat).c_str(), mode.width,
                     mode.height);
    }
    std::vector<size_t> order(m_modes.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
        return std::pair(m_modes[a].width, m_modes[a].height) <
               std::pair(m_modes[b].width, m_modes[b].height);
    });
    for (const size_t i : order) {
        const V4l2Mode& mode = m_modes[i];
        const int64_t lo = mode.intervals_100ns.front();
        const int64_t hi = mode.intervals_100ns.back();
        if (!m_formats.empty() && m_formats.back().width == static_cast<LONG>(mode.width) &&
            m_formats.back().height == static_cast<LONG>(mode.height)) {
            CaptureFormat& f = m_formats.back();
            f.minInterval_100ns = std::min(f.minInterval_100ns, lo);
            f.maxInterval_100ns = std::max(f.maxInterval_100ns, hi);
            m_modesOfFormat.back().push_back(i);
            continue;
        }
        m_formats.push_back({MEDIASUBTYPE_RGB24, static_cast<LONG>(mode.width),
                             static_cast<LONG>(mode.height), lo, hi});
        m_modesOfFormat.push_back({i});
    }
    if (!m_formats.empty())
        SetFormat(DefaultFormat(), m_formats[DefaultFormat()].minInterval_100ns);
}

CV4l2CaptureBackend::~CV4l2CaptureBackend() = default;

size_t CV4l2CaptureBackend::DefaultFormat() const {
    for (size_t i = 0; i < m_formats.size(); ++i) {
        if (m_formats[i].width == 640 && m_formats[i].height == 480)
            return i;
    }
    return 0;
}

int64_t CV4l2CaptureBackend::Now_ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

HRESULT CV4l2CaptureBackend::SetFormat(size_t index, REFERENCE_TIME interval_100ns) {
    if (index >= m_formats.size())
        return E_INVALIDARG;
    m_nMode = ChooseV4l2Mode(m_modes, m_modesOfFormat[index], interval_100ns, m_nInterval_100ns);
    return S_OK;
}

HRESULT CV4l2CaptureBackend::Start() {
    if (m_modes.empty())
        return E_FAIL;
    const V4l2Mode& mode = m_modes[m_nMode];
    v4l2_format format{};
    const bool bStarted = m_pCamera->SetFormat(mode, m_nInterval_100ns, format) &&
                          m_convert.Prepare(format) && m_pCamera->StartStreaming();
    if (!bStarted) {
        m_pCamera->StopStreaming();
        return m_pCamera->IsLost() ? HRESULT_DEVICE_NOT_CONNECTED : E_FAIL;
    }
    LogDebug(kLogV4l2, "%s: streams %s %u x %u at %lld x 100 ns", m_pCamera->Path().c_str(),
             FourCcText(mode.pixelFormat).c_str(), mode.width, mode.height,
             static_cast<long long>(m_nInterval_100ns));
    return S_OK;
}

void CV4l2CaptureBackend::Stop() {
    m_pCamera->StopStreaming();
}

FrameWait CV4l2CaptureBackend::WaitFrame(int64_t timeout_ms, std::span<BYTE> frame) {
    V4l2Frame taken;
    const int wait_ms = static_cast<int>(std::clamp<int64_t>(timeout_ms, 0, 60'000));
    switch (m_pCamera->WaitNewest(wait_ms, taken)) {
        case V4l2Wait::Lost:
            return FrameWait::Lost;
        case V4l2Wait::Timeout:
            return FrameWait::Timeout;
        case V4l2Wait::Frame:
            break;
    }
    // A frame that does not convert is dropped; a camera that sends only such frames falls
    // silent, and the silence ends the stream.
    const bool bConverted = m_convert.Convert(taken.data, taken.bytesUsed, frame);
    OfferStill(taken, frame, bConverted);
    if (!m_pCamera->Requeue(taken))
        return FrameWait::Lost;
    return bConverted ? FrameWait::Frame : FrameWait::Timeout;
}

size_t CV4l2CaptureBackend::StillMode() const {
    size_t best = 0;
    const auto area = [](const V4l2Mode& m) { return uint64_t{m.width} * m.height; };
    for (size_t i = 1; i < m_modes.size(); ++i) {
        const V4l2Mode& m = m_modes[i];
        const V4l2Mode& b = m_modes[best];
        if (area(m) != area(b)) {
            if (area(m) > area(b))
                best = i;
            continue;
        }
        const bool bJpeg = IsJpegFormat(m.pixelFormat);
        if (bJpeg != IsJpegFormat(b.pixelFormat)) {
            if (bJpeg)
                best = i;
        } else if (RankOf(m) < RankOf(b)) {
            best = i;
        }
    }
    return best;
}

HRESULT CV4l2CaptureBackend::TakeOneFrame(const V4l2Mode& mode, int64_t timeout_ms,
                                          CameraStillFrame& still) {
    const CaptureFormat format{MEDIASUBTYPE_RGB24, static_cast<LONG>(mode.width),
                               static_cast<LONG>(mode.height), 0, 0};
    std::vector<BYTE> converted;
    const auto deadline = Now_ms() + timeout_ms;
    for (int64_t left = timeout_ms; left > 0; left = deadline - Now_ms()) {
        V4l2Frame taken;
        const V4l2Wait wait = m_pCamera->WaitNewest(static_cast<int>(left), taken);
        if (wait == V4l2Wait::Lost)
            return HRESULT_DEVICE_NOT_CONNECTED;
        if (wait == V4l2Wait::Timeout)
            continue;
        bool bTaken = false;
        if (IsJpegFormat(mode.pixelFormat)) {
            // The camera's own stream, as it came; a frame cut short is passed over.
            const size_t length = JpegStreamLength(taken.data, taken.bytesUsed);
            if (length > 0) {
                still.bytes.assign(taken.data, taken.data + length);
                bTaken = true;
            }
        } else {
            converted.resize(CaptureFrameBytes(format));
            if (m_convert.Convert(taken.data, taken.bytesUsed, converted)) {
                // Packed rows: the graph's rows are padded to 4 bytes.
                const size_t row = size_t{mode.width} * 3;
                const size_t stride = CaptureRowBytes(format);
                still.bytes.resize(row * mode.height);
                for (uint32_t y = 0; y < mode.height; ++y)
                    std::copy_n(converted.data() + stride * y, row, still.bytes.data() + row * y);
                bTaken = true;
            }
        }
        if (!m_pCamera->Requeue(taken))
            return HRESULT_DEVICE_NOT_CONNECTED;
        if (bTaken) {
            still.bJpeg = IsJpegFormat(mode.pixelFormat);
            still.width = static_cast<LONG>(mode.width);
            still.height = static_cast<LONG>(mode.height);
            return S_OK;
        }
    }
    return VFW_E_TIMEOUT;
}

HRESULT CV4l2CaptureBackend::TakeStill(CameraStillFrame& still, bool bStreaming) {
    if (m_modes.empty())
        return E_FAIL;
    if (bStreaming)
        return StillMode() == m_nMode ? TakeStillFromStream(still) : VFW_E_NOT_STOPPED;
    const V4l2Mode& mode = m_modes[StillMode()];
    v4l2_format format{};
    HRESULT hr = E_FAIL;
    if (m_pCamera->SetFormat(mode, mode.intervals_100ns.front(), format) &&
        m_convert.Prepare(format) && m_pCamera->StartStreaming()) {
        hr = TakeOneFrame(mode, kStillWait_ms, still);
    }
    m_pCamera->StopStreaming();
    if (FAILED(hr) && m_pCamera->IsLost())
        hr = HRESULT_DEVICE_NOT_CONNECTED;
    LogAt(kLogV4l2, SUCCEEDED(hr) ? LogLevel::Debug : LogLevel::Warning,
          "%s: still of %s %u x %u: 0x%08X", m_pCamera->Path().c_str(),
          FourCcText(mode.pixelFormat).c_str(), mode.width, mode.height, LogStatus(hr));
    return hr;
}

HRESULT CV4l2CaptureBackend::TakeStillFromStream(CameraStillFrame& still) {
    std::unique_lock lock(m_stillMutex);
    m_pWaitingStill = &still;
    m_bStillTaken = false;
    const bool bTaken = m_stillTaken.wait_for(lock, std::chrono::milliseconds(kStillWait_ms),
                                              [this] { return m_bStillTaken; });
    m_pWaitingStill = nullptr;
    LogDebug(kLogV4l2, "%s: still from the stream: %s", m_pCamera->Path().c_str(),
             bTaken ? "taken" : "no frame in time");
    return bTaken ? S_OK : VFW_E_TIMEOUT;
}

void CV4l2CaptureBackend::OfferStill(const V4l2Frame& taken, std::span<const BYTE> converted,
                                     bool bConverted) {
    std::lock_guard lock(m_stillMutex);
    if (!m_pWaitingStill)
        return;
    const V4l2Mode& mode = m_modes[m_nMode];
    CameraStillFrame& still = *m_pWaitingStill;
    if (IsJpegFormat(mode.pixelFormat)) {
        const size_t length = JpegStreamLength(taken.data, taken.bytesUsed);
        // A frame that did not decode is no still either.
        if (length == 0 || !bConverted)
            return;
        still.bytes.assign(taken.data, taken.data + length);
    } else {
        if (!bConverted)
            return;
        const CaptureFormat& format = m_formats[FormatOfMode(m_nMode)];
        const size_t row = size_t{mode.width} * 3;
        const size_t stride = CaptureRowBytes(format);
        still.bytes.resize(row * mode.height);
        for (uint32_t y = 0; y < mode.height; ++y)
            std::copy_n(converted.data() + stride * y, row, still.bytes.data() + row * y);
    }
    still.bJpeg = IsJpegFormat(mode.pixelFormat);
    still.width = static_cast<LONG>(mode.width);
    still.height = static_cast<LONG>(mode.height);
    m_bStillTaken = true;
    m_pWaitingStill = nullptr;
    m_stillTaken.notify_all();
}

size_t CV4l2CaptureBackend::FormatOfMode(size_t mode) const {
    for (size_t f = 0; f < m_modesOfFormat.size(); ++f) {
        const std::vector<size_t>& modes = m_modesOfFormat[f];
        if (std::find(modes.begin(), modes.end(), mode) != modes.end())
            return f;
    }
    return 0;
}
