// The kinds of still, and the steps every kind shares unless it says otherwise.
#include <algorithm>
#include <array>
#include <limits>
#include <new>

#include "capture/CaptureDevice.h"
#include "device/DeviceProfile.h"
#include "device/MailboxTransfer.h"
#include "imaging/ImageMemory.h"
#include "imaging/JpegSnapshot.h"
#include "imaging/RawDevelop.h"
#include "imaging/RawDevelopStream.h"
#include "imaging/RawSnapshot.h"
#include "platform/log/Log.h"
#include "session/SessionLog.h"
#include "session/StillKind.h"

BOOL CStillKind::Order(const CDeviceProfile*, StillOrder&) const {
    return TRUE;
}

BOOL CStillKind::FetchFromPreview(CCaptureDevice&, StillBlock&) const {
    return FALSE;
}

BOOL CStillKind::Fetch(CCaptureDevice& device, StillBlock& block, StillResult& failure) const {
    DeviceStatus status;
    CVendorChannel& channel = device.Channel();
    const int64_t started_ms = channel.m_pClock->Now_ms();
    block.watch = WatchDownload();
    if (DownloadBlock(channel, block.data, block.size, status, kMailboxTimeout_ms,
                      block.watch.get())) {
        block.length = status.lengthOrValue;
        return TRUE;
    }
    block.watch.reset();
    // The download's bound is on the device's clock: if that much time went by, the wait ran out.
    const bool bTimedOut = channel.m_pClock->Now_ms() - started_ms >= kMailboxTimeout_ms;
    failure = bTimedOut ? StillResult::TimedOut : StillResult::NotDownloaded;
    return FALSE;
}

std::unique_ptr<IDownloadWatch> CStillKind::WatchDownload() const {
    return nullptr;
}

BOOL CStillKind::SourceHeader(const CStillSource&, int, int, std::string& header,
                              std::string&) const {
    header.clear();
    return TRUE;
}

namespace {

// A JPEG stream of width x height decoded through the transient file into `image`; the still
// keeps the stream, in the block it came in, as `kind`'s source.
StillResult DecodeJpegStill(const CStillKind& kind, StillBlock block, int width, int height,
                            std::unique_ptr<BYTE[]> image, CStill& still, std::string& reason) {
    // The stream's own length, not the rounded size of the download.
    JpegFailure failure;
    if (!DecodeJpegSnapshot(block.data.get(), block.length, image.get(), width, height, &failure)) {
        if (!failure.bNotWritten)
            return StillResult::NotDecoded;
        reason = std::string(kJpegTempFileName) + ": " + failure.reason;
        return StillResult::NotWritten;
    }
    still = CStill{std::move(image), width, height, {}};
    still.source.pKind = &kind;
    still.source.length = block.length;
    still.source.block = std::move(block.data);
    return StillResult::Shown;
}

// The camera's JPEG stream at the size of entry 0 of the resolution table, decoded through the
// transient file; the stream is kept as it came.
class CJpegStill : public CStillKind {
public:
    constexpr CJpegStill() : CStillKind(kInfo) {}

    BOOL Order(const CDeviceProfile* pProfile, StillOrder& order) const override {
        ResolutionEntry entry;
        if (!pProfile || !pProfile->GetResolution(0, entry))
            return FALSE;
        order = {true, entry.width, entry.height};
        return TRUE;
    }

    BOOL Request(CCaptureDevice& device, const StillOrder& order) const override {
        SnapshotRequest request;
        request.mode = SnapshotRequest::kModeJpeg;
        request.width = static_cast<WORD>(order.width);
        request.height = static_cast<WORD>(order.height);
        return device.Channel().RequestJpegSnapshot(request);
    }

    StillResult Convert(StillBlock block, const StillOrder& order, std::unique_ptr<BYTE[]> image,
                        CStill& still, std::string& reason) const override {
        return DecodeJpegStill(*this, std::move(block), order.width, order.height, std::move(image),
                               still, reason);
    }

private:
    static constexpr StillKindInfo kInfo{
        .name = "JPEG",
        .notConverted = "not decoded",
        .notConvertedMessage = "the camera's JPEG still could not be decoded",
        .option = nullptr,
        .optionHelp = nullptr,
        .sourceWords = "its JPEG stream",
        .sourceSuffixes = "jpg jpeg jpe jfif",
        .sourceMisnamed = "--save-stream writes the camera's JPEG stream (--raw writes a PGM)",
        .saveMenu = "Save Camera &JPEG...",
        .saveTitle = "Save Camera JPEG",
        .saveFilter = "JPEG image (*.jpg *.jpeg)",
        .transientFile = kJpegTempFileName,
        .bViewBeforeConversion = true,
    };
};

// The raw development, band by band, as the samples come down: most of the picture is done
// when the last piece arrives.
class CRawDevelopWatch : public IDownloadWatch {
public:
    void Arrived(const BYTE* block, LONG size, DWORD bytes) override {
        m_stream.Arrived(block, size, bytes);
    }
    void Abandoned() override { m_stream.Abandon(); }
    std::unique_ptr<BYTE[]> Finish(const RawSnapshotInfo& info) { return m_stream.Finish(info); }

private:
    CRawDevelopStream m_stream;
};

// Raw Bayer samples behind a 20-byte header, developed here; the samples are kept as they
// came and saved as an 8-bit binary PGM that names the Bayer phase.
class CRawStill : public CStillKind {
public:
    constexpr CRawStill() : CStillKind(kInfo) {}

    std::unique_ptr<IDownloadWatch> WatchDownload() const override {
        return std::unique_ptr<IDownloadWatch>(new (std::nothrow) CRawDevelopWatch);
    }

    BOOL Request(CCaptureDevice& device, const StillOrder&) const override {
        return device.Channel().RequestRawSnapshot(0);
    }

    StillResult Convert(StillBlock block, const StillOrder&, std::unique_ptr<BYTE[]>, CStill& still,
                        std::string&) const override {
        // The header is checked against the rounded size the download took.
        RawSnapshotInfo info{};
        if (!ParseRawSnapshot(block.data.get(), block.size, info))
            return StillResult::NotDecoded;
        // Developed while it downloaded, where that could be done; else here, as a whole.
        std::unique_ptr<BYTE[]> image;
        if (auto* pWatch = dynamic_cast<CRawDevelopWatch*>(block.watch.get()))
            image = pWatch->Finish(info);
        block.watch.reset();
        if (!image) {
            image = ReserveRawImage(info.width, info.height);
            if (!image)
                return StillResult::NoMemory;
            if (!DevelopRawSnapshot(info, image.get()))
                return StillResult::NotDecoded;
        }
        still = CStill{std::move(image), info.width, info.height, {}};
        // The samples go along as they came, in the block that holds them after its header.
        still.source.pKind = this;
        still.source.offset = static_cast<size_t>(info.samples - block.data.get());
        still.source.length = static_cast<size_t>(info.width) * static_cast<size_t>(info.height);
        still.source.phase = info.phase;
        still.source.block = std::move(block.data);
        return StillResult::Shown;
    }

    BOOL SourceHeader(const CStillSource& source, int width, int height, std::string& header,
                      std::string& reason) const override {
        if (width <= 0 || height <= 0 ||
            source.length != static_cast<size_t>(width) * static_cast<size_t>(height)) {
            reason = "the samples do not match the still's size";
            return FALSE;
        }
        // The top-left 2 x 2 samples of each phase, as the raw development reads them.
        static constexpr const char* kPatterns[] = {"RGGB", "GRBG", "GBRG", "BGGR"};
        const int phase = source.phase;
        const char* pattern = phase >= 0 && phase < 4 ? kPatterns[phase] : "unknown";
        header = "P5\n# Bayer phase " + std::to_string(phase) + ": " + pattern + "\n" +
                 std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        return TRUE;
    }

private:
    static constexpr StillKindInfo kInfo{
        .name = "raw",
        .notConverted = "not developed",
        .notConvertedMessage = "the camera's raw still is malformed",
        .option = "raw",
        .optionHelp = "Takes the still as raw Bayer data, developed here.",
        .sourceWords = "its samples as a PGM",
        .sourceSuffixes = "pgm pnm",
        .sourceMisnamed = "--save-stream with --raw writes the samples as a PGM",
        .saveMenu = "Save &Raw Samples...",
        .saveTitle = "Save Raw Samples",
        .saveFilter = "PGM image (*.pgm)",
        .transientFile = nullptr,
        .bViewBeforeConversion = false,
    };
};

// One of a video-only camera's own frames at its largest size. Nothing is asked of a firmware:
// the camera filter switches to that size while the graph is stopped and gives one frame, or,
// when it streams that very format already, the next frame comes from the running preview.
class CCameraFrameStill : public CStillKind {
public:
    constexpr CCameraFrameStill() : CStillKind(kInfo) {}

    BOOL Request(CCaptureDevice&, const StillOrder&) const override { return TRUE; }

    BOOL FetchFromPreview(CCaptureDevice& device, StillBlock& block) const override {
        CameraStillFrame frame;
        return SUCCEEDED(device.TakeCameraStill(frame)) && Hold(frame, block);
    }

    BOOL Fetch(CCaptureDevice& device, StillBlock& block, StillResult& failure) const override {
        CameraStillFrame frame;
        const HRESULT hr = device.TakeCameraStill(frame);
        if (FAILED(hr)) {
            LogInfo(kLogSession, "camera still: 0x%08X", LogStatus(hr));
            failure = hr == VFW_E_TIMEOUT ? StillResult::TimedOut : StillResult::NotDownloaded;
            return FALSE;
        }
        if (!Hold(frame, block)) {
            failure = StillResult::NoMemory;
            return FALSE;
        }
        return TRUE;
    }

    StillResult Convert(StillBlock block, const StillOrder&, std::unique_ptr<BYTE[]>, CStill& still,
                        std::string& reason) const override {
        const size_t pixels = static_cast<size_t>(block.width) * static_cast<size_t>(block.height);
        if (block.width <= 0 || block.height <= 0)
            return StillResult::NotDecoded;
        if (!block.bJpeg) {
            // The frame is the picture itself; nothing of the camera's own is kept.
            if (block.length != 3 * pixels)
                return StillResult::NotDecoded;
            still = CStill{std::move(block.data), block.width, block.height, {}};
            return StillResult::Shown;
        }
        std::unique_ptr<BYTE[]> image = ReserveImageMemory(3 * pixels);
        if (!image)
            return StillResult::NoMemory;
        // Saved as the camera's JPEG stream, byte for byte, as a firmware's JPEG still is.
        const int width = block.width, height = block.height;
        return DecodeJpegStill(JpegStill(), std::move(block), width, height, std::move(image),
                               still, reason);
    }

private:
    // Moves a frame into a block of its own, as a downloaded still comes.
    static BOOL Hold(const CameraStillFrame& frame, StillBlock& block) {
        const size_t length = frame.bytes.size();
        if (length == 0 || length > static_cast<size_t>(std::numeric_limits<LONG>::max()))
            return FALSE;
        block.data = ReserveImageMemory(length);
        if (!block.data)
            return FALSE;
        std::copy(frame.bytes.begin(), frame.bytes.end(), block.data.get());
        block.size = static_cast<LONG>(length);
        block.length = static_cast<DWORD>(length);
        block.width = frame.width;
        block.height = frame.height;
        block.bJpeg = frame.bJpeg;
        return TRUE;
    }

    // Chosen by the session, never by an option; a JPEG frame it keeps is the JPEG kind's
    // source, so saving it speaks that kind's words.
    static constexpr StillKindInfo kInfo{
        .name = "camera",
        .notConverted = "not decoded",
        .notConvertedMessage = "the camera's frame could not be decoded",
        .option = nullptr,
        .optionHelp = nullptr,
        .sourceWords = nullptr,
        .sourceSuffixes = nullptr,
        .sourceMisnamed = nullptr,
        .saveMenu = nullptr,
        .saveTitle = nullptr,
        .saveFilter = nullptr,
        .transientFile = kJpegTempFileName,
        .bViewBeforeConversion = true,
    };
};

// Made before any code runs, so the table can be read from anywhere.
constinit const CJpegStill kJpegStill;
constinit const CRawStill kRawStill;
constinit const CCameraFrameStill kCameraFrameStill;

// The kinds, the default first.
constexpr std::array<const CStillKind*, 2> kStillKinds{&kJpegStill, &kRawStill};

}  // namespace

std::span<const CStillKind* const> StillKinds() {
    return kStillKinds;
}

const CStillKind& DefaultStillKind() {
    return *kStillKinds[0];
}

const CStillKind& JpegStill() {
    return kJpegStill;
}

const CStillKind& RawStill() {
    return kRawStill;
}

const CStillKind& CameraFrameStill() {
    return kCameraFrameStill;
}
