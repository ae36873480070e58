// The kinds of still, and the steps every kind shares unless it says otherwise.
#include <array>
#include <new>

#include "capture/CaptureDevice.h"
#include "device/DeviceProfile.h"
#include "device/MailboxTransfer.h"
#include "imaging/JpegSnapshot.h"
#include "imaging/RawDevelop.h"
#include "imaging/RawDevelopStream.h"
#include "imaging/RawSnapshot.h"
#include "session/StillKind.h"

BOOL CStillKind::Order(const CDeviceProfile*, StillOrder&) const {
    return TRUE;
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
        // The stream's own length, not the rounded size of the download.
        JpegFailure failure;
        if (!DecodeJpegSnapshot(block.data.get(), block.length, image.get(), order.width,
                                order.height, &failure)) {
            if (!failure.bNotWritten)
                return StillResult::NotDecoded;
            reason = std::string(kJpegTempFileName) + ": " + failure.reason;
            return StillResult::NotWritten;
        }
        still = CStill{std::move(image), order.width, order.height, {}};
        // The stream goes along with the image it decoded to, in the block it came in.
        still.source.pKind = this;
        still.source.length = block.length;
        still.source.block = std::move(block.data);
        return StillResult::Shown;
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

// Made before any code runs, so the table can be read from anywhere.
constinit const CJpegStill kJpegStill;
constinit const CRawStill kRawStill;

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
