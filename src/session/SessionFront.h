// ISessionFront: what the operator is told while a session sequence runs. The main dialog
// shows it in its controls and message boxes; the command line prints what matters.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/com/Types.h"

// The messages a sequence raises; the front chooses the words (the dialog's string table).
enum class SessionMessage {
    DeviceInitFailed,  // the camera could not be opened or initialised ("New")
    RestartFailed,     // the preview could not be restarted after a still
};

// What the camera sent for a still, kept so it can be saved as it came: the JPEG stream, or
// the raw Bayer samples, inside the downloaded block that holds them.
struct CStillSource {
    enum class Kind { None, JpegStream, RawSamples };
    Kind kind = Kind::None;
    std::unique_ptr<BYTE[]> block;
    size_t offset = 0;  // where the stream or the samples start in the block
    size_t length = 0;  // the stream's own length, or width x height samples
    int phase = 0;      // raw samples: Bayer phase 0..3 (RGGB, GRBG, GBRG, BGGR)

    const BYTE* Data() const { return block ? block.get() + offset : nullptr; }
};

// A still as the snapshot flows hand it over: width x height pixels, 3 bytes each in the order
// blue, green, red, rows bottom-up without gaps; with it what the camera sent.
struct CStill {
    std::unique_ptr<BYTE[]> image;
    int width = 0;
    int height = 0;
    CStillSource source;
};

class ISessionFront {
public:
    virtual ~ISessionFront() = default;

    // The connect's status line: "Looking for device...", "Device found", "No Firmware...",
    // "Initializing...", or "" to clear it.
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ShowMessage(SessionMessage message) = 0;
    // The focus read-out is to stop (the camera is being released).
    virtual void StopFocusReadout() = 0;
    // A JPEG still is about to be decoded: the view that will show it must exist now.
    virtual void PrepareStillView() = 0;
    // A still is ready; the front owns it from here on.
    virtual void ShowStill(CStill still) = 0;
};
