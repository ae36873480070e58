// CCameraSession: the two snapshot flows. Each stops the preview, asks the camera for a still,
// downloads it through the mailbox, converts it, hands it to the front and restarts the
// preview after a pause. Buffers are owned by unique_ptr and handed over only when shown: the
// image, and the downloaded block with the stream or samples in it.
#include <chrono>
#include <memory>
#include <string>

#include "device/MailboxTransfer.h"
#include "imaging/ImageMemory.h"
#include "imaging/JpegSnapshot.h"
#include "imaging/RawDevelop.h"
#include "imaging/RawSnapshot.h"
#include "platform/log/Log.h"
#include "platform/win/Sleep.h"
#include "session/CameraSession.h"
#include "session/SessionLog.h"

const char* CCameraSession::JpegTransientFile() {
    return kJpegTempFileName;
}

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

CCameraSession::StillResult CCameraSession::TakeStill(BOOL bRaw) {
    m_stillFailureReason.clear();
    if (!m_device)
        return StillResult::Refused;
    return bRaw ? TakeRawSnapshot(*m_device) : TakeJpegSnapshot(*m_device);
}

// The download's bound is on the device's clock: if that much time went by, the wait ran out.
CCameraSession::StillResult CCameraSession::DownloadFailure(const CCaptureDevice& device,
                                                            int64_t started_ms) {
    const bool bTimedOut = device.m_pClock->Now_ms() - started_ms >= kMailboxTimeout_ms;
    return bTimedOut ? StillResult::TimedOut : StillResult::NotDownloaded;
}

// Run is tried even after a failed rendering; it then fails too and says so again.
void CCameraSession::RestartPreview(CCaptureDevice& device) {
    m_meter.Forget();  // what the regions showed before the still is not the new picture
    device.m_bPreviewWanted = TRUE;
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
CCameraSession::StillResult CCameraSession::CloseStill(CCaptureDevice& device, StillResult result,
                                                       const char* kind, const char* notConverted) {
    if (result == StillResult::NotWritten)
        LogInfo(kLogSession, "%s still not shown: not written to %s", kind,
                m_stillFailureReason.c_str());
    else if (result != StillResult::Shown)
        LogInfo(kLogSession, "%s still not shown: %s", kind,
                result == StillResult::NotDownloaded ? "not downloaded" : notConverted);
    Sleep(kSnapshotPause_ms);
    RestartPreview(device);
    return result;
}

CCameraSession::StillResult CCameraSession::TakeJpegSnapshot(CCaptureDevice& device) {
    CStillClock clock;
    device.Stop();
    const long long stop_ms = clock.Lap_ms();
    device.m_bPreviewWanted = FALSE;

    // A flow that ends before the download restarts the preview at once: no pause, and no
    // message unless the restart itself fails.
    ResolutionEntry entry;
    if (!m_profile || !m_profile->GetResolution(0, entry)) {
        LogInfo(kLogSession, "JPEG still not requested: the camera listed no resolution");
        RestartPreview(device);
        return StillResult::NoResolution;
    }
    SnapshotRequest request;
    request.mode = SnapshotRequest::kModeJpeg;
    request.width = entry.width;
    request.height = entry.height;
    if (!device.RequestJpegSnapshot(request)) {
        LogInfo(kLogSession, "JPEG still of %d x %d: the request failed", request.width,
                request.height);
        RestartPreview(device);
        return StillResult::Refused;
    }
    const long long request_ms = clock.Lap_ms();
    const int width = entry.width;
    const int height = entry.height;
    std::unique_ptr<BYTE[]> image = ReserveImageMemory(static_cast<size_t>(3) * width * height);
    if (!image) {
        LogInfo(kLogSession, "JPEG still of %d x %d: no memory for its image", width, height);
        RestartPreview(device);
        return StillResult::NoMemory;
    }

    StillResult result = StillResult::NotDownloaded;
    std::unique_ptr<BYTE[]> block;
    LONG size = 0;
    DeviceStatus status;
    const int64_t started_ms = device.m_pClock->Now_ms();
    if (DownloadBlock(device, block, size, status)) {
        const long long download_ms = clock.Lap_ms();
        if (m_pFront)
            m_pFront->PrepareStillView();
        const long long prepare_ms = clock.Lap_ms();
        // The stream's own length, not the rounded size of the download.
        JpegFailure failure;
        if (DecodeJpegSnapshot(block.get(), status.lengthOrValue, image.get(), width, height,
                               &failure)) {
            const long long decode_ms = clock.Lap_ms();
            CStill still{std::move(image), width, height, {}};
            // The stream goes along with the image it decoded to, in the block it came in.
            still.source.kind = CStillSource::Kind::JpegStream;
            still.source.length = status.lengthOrValue;
            still.source.block = std::move(block);
            if (m_pFront)
                m_pFront->ShowStill(std::move(still));
            LogDebug(kLogSession,
                     "JPEG still of %d x %d: preview stopped in %lld ms, requested in %lld ms, "
                     "%ld bytes downloaded in %lld ms, view prepared in %lld ms, decoded in "
                     "%lld ms, shown in %lld ms",
                     width, height, stop_ms, request_ms, static_cast<long>(size), download_ms,
                     prepare_ms, decode_ms, clock.Lap_ms());
            result = StillResult::Shown;
        } else if (failure.bNotWritten) {
            result = StillResult::NotWritten;
            m_stillFailureReason = std::string(kJpegTempFileName) + ": " + failure.reason;
        } else {
            result = StillResult::NotDecoded;
        }
    } else {
        result = DownloadFailure(device, started_ms);
    }
    block.reset();
    image.reset();
    return CloseStill(device, result, "JPEG", "not decoded");
}

CCameraSession::StillResult CCameraSession::TakeRawSnapshot(CCaptureDevice& device) {
    CStillClock clock;
    device.Stop();
    const long long stop_ms = clock.Lap_ms();
    device.m_bPreviewWanted = FALSE;
    if (!device.RequestRawSnapshot(0)) {
        LogInfo(kLogSession, "raw still: the request failed");
        RestartPreview(device);
        return StillResult::Refused;
    }
    const long long request_ms = clock.Lap_ms();

    StillResult result = StillResult::NotDownloaded;
    std::unique_ptr<BYTE[]> block;
    LONG size = 0;
    DeviceStatus status;
    RawSnapshotInfo info{};
    const int64_t started_ms = device.m_pClock->Now_ms();
    if (DownloadBlock(device, block, size, status)) {
        const long long download_ms = clock.Lap_ms();
        result = StillResult::NotDecoded;
        // An image that cannot be reserved drops the still and restarts the preview.
        std::unique_ptr<BYTE[]> image;
        if (ParseRawSnapshot(block.get(), size, info)) {
            image = ReserveRawImage(info.width, info.height);
            if (!image)
                result = StillResult::NoMemory;
        }
        if (image && DevelopRawSnapshot(info, image.get())) {
            const long long develop_ms = clock.Lap_ms();
            CStill still{std::move(image), info.width, info.height, {}};
            // The samples go along as they came, in the block that holds them after its header.
            still.source.kind = CStillSource::Kind::RawSamples;
            still.source.offset = static_cast<size_t>(info.samples - block.get());
            still.source.length =
                static_cast<size_t>(info.width) * static_cast<size_t>(info.height);
            still.source.phase = info.phase;
            still.source.block = std::move(block);
            if (m_pFront)
                m_pFront->ShowStill(std::move(still));
            LogDebug(kLogSession,
                     "raw still of %d x %d: preview stopped in %lld ms, requested in %lld ms, "
                     "%ld bytes downloaded in %lld ms, developed in %lld ms, shown in %lld ms",
                     info.width, info.height, stop_ms, request_ms, static_cast<long>(size),
                     download_ms, develop_ms, clock.Lap_ms());
            result = StillResult::Shown;
        }
    } else {
        result = DownloadFailure(device, started_ms);
    }
    block.reset();
    return CloseStill(device, result, "raw", "not developed");
}
