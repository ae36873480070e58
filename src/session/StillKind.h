// CStillKind: one kind of still, described once: how the camera is asked for it, how what
// comes is fetched and converted into the picture, what it is called where the operator meets
// it, and what saving the camera's own data writes. The session runs one snapshot flow over
// any kind (CameraSessionStill.cpp); StillKinds.cpp lists the kinds. A new kind is one class
// and one row there, with its converter; the dialog, the snapshot view and the command line
// take it from the table.
#pragma once

#include <memory>
#include <span>
#include <string>

#include "device/MailboxTransfer.h"
#include "platform/com/Types.h"
#include "session/Still.h"

class CCaptureDevice;
class CDeviceProfile;

// How a snapshot ended: shown, or why not: no still size in the profile, the camera refused
// the request, no memory for the image, the download's bound passed, the download failed
// otherwise (a read failed, or a block too large to take), a file the conversion passes
// through could not be written (the session's StillFailureReason says why), the stream or
// samples did not convert.
enum class StillResult {
    Shown,
    NoResolution,
    Refused,
    NoMemory,
    TimedOut,
    NotDownloaded,
    NotWritten,
    NotDecoded
};

// What a kind asks the camera for. A still of a size known before it comes has its image
// reserved before it is fetched, so one that could not be held is never downloaded.
struct StillOrder {
    bool bSized = false;
    int width = 0;
    int height = 0;
};

// The bytes a still came in: the block as downloaded (its size rounded up to a multiple of 4)
// and the still's own length in it, with what the kind started on it while it downloaded, if
// anything, for the conversion to finish; that is declared after the data so it goes first.
// A still whose size and form only its fetch learns (a camera's own frame) says them here: a
// JPEG stream, or 24-bit pixels as a CStill holds them.
struct StillBlock {
    std::unique_ptr<BYTE[]> data;
    LONG size = 0;
    DWORD length = 0;
    int width = 0;
    int height = 0;
    bool bJpeg = false;
    std::unique_ptr<IDownloadWatch> watch;
};

// The words of a kind, where the operator meets it.
struct StillKindInfo {
    const char* name;                 // in messages and the log: "JPEG"
    const char* notConverted;         // the log's reason when it did not convert: "not decoded"
    const char* notConvertedMessage;  // the command line's: "the camera's JPEG still could..."
    // The command line: the option that chooses the kind (none for the default), its help,
    // and what --save-stream writes for it.
    const char* option;
    const char* optionHelp;
    const char* sourceWords;     // "its JPEG stream"
    const char* sourceSuffixes;  // a --save-stream file's suffixes, space-separated, first named
    const char* sourceMisnamed;  // why a suffix of another kind's is refused
    // The snapshot view's context menu and file dialog for the camera's own data.
    const char* saveMenu;
    const char* saveTitle;
    const char* saveFilter;
    // A file in the current folder that the conversion passes through, or null.
    const char* transientFile;
    // The view that will show the still is made before the conversion, not after it.
    bool bViewBeforeConversion;
};

class CStillKind {
public:
    constexpr explicit CStillKind(const StillKindInfo& info) : m_info(info) {}
    CStillKind(const CStillKind&) = delete;
    CStillKind& operator=(const CStillKind&) = delete;
    virtual ~CStillKind() = default;

    const StillKindInfo& Info() const { return m_info; }

    // The steps of the snapshot flow, in its order. Order: what to ask for; FALSE when the
    // profile lists nothing to ask (NoResolution). Any size by default.
    virtual BOOL Order(const CDeviceProfile* pProfile, StillOrder& order) const;
    // Asks the camera for the still; FALSE when it refuses.
    virtual BOOL Request(CCaptureDevice& device, const StillOrder& order) const = 0;
    // Takes the still from the running preview without stopping it, where the kind can;
    // FALSE (the default) takes the stopped road, which then tries every step in turn.
    virtual BOOL FetchFromPreview(CCaptureDevice& device, StillBlock& block) const;
    // Brings the still to the host; by default the block the camera announces in its mailbox,
    // downloaded. FALSE with TimedOut or NotDownloaded in `failure`.
    virtual BOOL Fetch(CCaptureDevice& device, StillBlock& block, StillResult& failure) const;
    // What follows the default download piece by piece, to start the conversion on the bytes
    // that have come (the block keeps it for Convert); none by default.
    virtual std::unique_ptr<IDownloadWatch> WatchDownload() const;
    // Turns the block into `still` (its picture, and its source of this kind); `image` is the
    // one reserved for a sized order, else empty. Both are released when it returns. Shown on
    // success; a file not written says why in `reason`.
    virtual StillResult Convert(StillBlock block, const StillOrder& order,
                                std::unique_ptr<BYTE[]> image, CStill& still,
                                std::string& reason) const = 0;
    // What a file of the source starts with before the source's bytes; FALSE, with `reason`,
    // when the source does not describe a still of width x height. Nothing by default.
    virtual BOOL SourceHeader(const CStillSource& source, int width, int height,
                              std::string& header, std::string& reason) const;

private:
    const StillKindInfo& m_info;
};

// Every kind, the default (what "Snapshot" takes with "RawData" clear) first.
std::span<const CStillKind* const> StillKinds();
const CStillKind& DefaultStillKind();
// The two kinds the camera's firmware offers: a JPEG stream at the size of entry 0 of the
// profile's resolution table, and raw Bayer samples the utility develops itself.
const CStillKind& JpegStill();
const CStillKind& RawStill();
// What "Snapshot" takes from a video-only camera, which has no firmware to ask: one of its own
// frames at its largest size, its JPEG frame as it came where it sends JPEG there. Not in the
// table: the session takes it in the default kind's place.
const CStillKind& CameraFrameStill();
