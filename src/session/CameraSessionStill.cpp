// CCameraSession: the snapshot flow, one for every kind of still. It stops the preview, has the
// kind ask the camera for its still, fetch it and convert it, hands the still to the front and
// restarts the preview after a pause. A kind that can take its still from the running preview
// does so first, and the preview goes on. Buffers are owned by unique_ptr and handed over only when
// shown: the image, and the block with the stream or samples in it.
#include <chrono>
#include <memory>
#include <string>

#include "imaging/ImageMemory.h"
#include "platform/log/Log.h"
#include "platform/win/Sleep.h"
#include "session/CameraSession.h"
#include "session/SessionLog.h"

namespace {

// Where a still's time goes, from stopping the preview to the picture painted: the debug log.
class CStillClock {
public:
    // Milliseconds since the last mark, and marks now.
    long long Lap_ms() {
        const auto now = std::chrono::steady_clock::now();
        const auto lap = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_last);
        m_last = now;
        return static_cast<long long>(lap.count());
    }

private:
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

}  // namespace

// Run is tried even after a failed rendering; it then fails too and says so again.
void CCameraSession::RestartPreview(CCaptureDevice& device) {
    m_meter.Forget();  // what the regions showed before the still is not the new picture
    device.SetPreviewWanted(TRUE);
    if (!device.RenderPreview()) {
        LogInfo(kLogSession, "still: the preview could not be rendered again");
        ShowMessage(SessionMessage::RestartFailed);
    }
    if (!device.Run()) {
        LogInfo(kLogSession, "still: the preview could not be run again");
        ShowMessage(SessionMessage::RestartFailed);
    }
}

// The closing steps of a flow that reached the download: the pause, then the restart.
StillResult CCameraSession::CloseStill(CCaptureDevice& device, StillResult result,
                                       const StillKindInfo& kind) {
    if (result == StillResult::NotWritten)
        LogInfo(kLogSession, "%s still not shown: not written to %s", kind.name,
                m_stillFailureReason.c_str());
    else if (result != StillResult::Shown)
        LogInfo(kLogSession, "%s still not shown: %s", kind.name,
                result == StillResult::NotDownloaded ? "not downloaded" : kind.notConverted);
    Sleep(kSnapshotPause_ms);
    RestartPreview(device);
    return result;
}

StillResult CCameraSession::ShowStill(const CStillKind& kind, StillBlock block,
                                      const StillOrder& order, std::unique_ptr<BYTE[]> image) {
    const StillKindInfo& info = kind.Info();
    CStillClock clock;
    const LONG fetched = block.size;
    if (info.bViewBeforeConversion && m_pFront)
        m_pFront->PrepareStillView();
    const long long prepare_ms = clock.Lap_ms();
    CStill still;
    // The block and the image are the conversion's: released when it is done with them.
    const StillResult result =
        kind.Convert(std::move(block), order, std::move(image), still, m_stillFailureReason);
    const long long convert_ms = clock.Lap_ms();
    if (result == StillResult::Shown) {
        const int width = still.width, height = still.height;
        if (m_pFront)
            m_pFront->ShowStill(std::move(still));
        LogDebug(kLogSession,
                 "%s still of %d x %d, %ld bytes: view prepared in %lld ms, converted in %lld ms, "
                 "shown in %lld ms",
                 info.name, width, height, static_cast<long>(fetched), prepare_ms, convert_ms,
                 clock.Lap_ms());
    }
    return result;
}

StillResult CCameraSession::TakeStill(const CStillKind& requested) {
    m_stillFailureReason.clear();
    if (!m_pCaptureDevice)
        return StillResult::Refused;
    CCaptureDevice& device = *m_pCaptureDevice;
    // A video-only camera has no firmware to ask: its still is one of its own frames, and it
    // has no other kind.
    if (m_bVideoOnly && &requested != &DefaultStillKind()) {
        LogInfo(kLogSession, "%s still refused: a video-only camera has none",
                requested.Info().name);
        return StillResult::Refused;
    }
    const CStillKind& kind = m_bVideoOnly ? CameraFrameStill() : requested;
    const StillKindInfo& info = kind.Info();

    StillBlock live;
    if (device.IsRunning() && kind.FetchFromPreview(device, live)) {
        // Nothing was stopped: no pause, no restart.
        const StillResult result = ShowStill(kind, std::move(live), StillOrder{}, nullptr);
        if (result != StillResult::Shown)
            LogInfo(kLogSession, "%s still not shown: %s", info.name, info.notConverted);
        return result;
    }
    CStillClock clock;
    HaltPreview(device);
    const long long stop_ms = clock.Lap_ms();

    // A flow that ends before the download restarts the preview at once: no pause, and no
    // message unless the restart itself fails.
    StillOrder order;
    if (!kind.Order(m_pProfile.get(), order)) {
        LogInfo(kLogSession, "%s still not requested: the camera listed no resolution", info.name);
        RestartPreview(device);
        return StillResult::NoResolution;
    }
    if (!kind.Request(device, order)) {
        if (order.bSized)
            LogInfo(kLogSession, "%s still of %d x %d: the request failed", info.name, order.width,
                    order.height);
        else
            LogInfo(kLogSession, "%s still: the request failed", info.name);
        RestartPreview(device);
        return StillResult::Refused;
    }
    const long long request_ms = clock.Lap_ms();
    std::unique_ptr<BYTE[]> image;
    if (order.bSized) {
        image = ReserveImageMemory(static_cast<size_t>(3) * static_cast<size_t>(order.width) *
                                   static_cast<size_t>(order.height));
        if (!image) {
            LogInfo(kLogSession, "%s still of %d x %d: no memory for its image", info.name,
                    order.width, order.height);
            RestartPreview(device);
            return StillResult::NoMemory;
        }
    }

    StillResult result = StillResult::NotDownloaded;
    StillBlock block;
    if (kind.Fetch(device, block, result)) {
        LogDebug(kLogSession,
                 "%s still: preview stopped in %lld ms, requested in %lld ms, fetched in %lld ms",
                 info.name, stop_ms, request_ms, clock.Lap_ms());
        result = ShowStill(kind, std::move(block), order, std::move(image));
    }
    block.data.reset();
    image.reset();
    return CloseStill(device, result, info);
}
