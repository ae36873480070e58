// ICameraStill: one still from a video-only camera's own frames, at its largest size. While
// the filter is stopped the camera is switched to that size, one frame is taken and the next
// run streams the format chosen before; while it runs in that very format, the next frame is
// the still and the stream goes on. The stand-in's own interface (the platform's capture
// filters have no such call); a filter whose camera cannot do it does not offer it.
#pragma once

#include <vector>

#include "platform/com/Unknown.h"

struct CameraStillFrame {
    bool bJpeg = false;       // bytes: the camera's JPEG frame as it came, up to its end marker
    std::vector<BYTE> bytes;  // else: width x height x 3 bytes, blue, green, red, rows bottom-up
    LONG width = 0;
    LONG height = 0;
};

// No usable frame came in the time a still may take.
inline constexpr HRESULT VFW_E_TIMEOUT = static_cast<HRESULT>(0x8004022Eu);

struct ICameraStill : IUnknown {
    static constexpr IID kIid{
        0x2B8D4F61, 0x0C3E, 0x4B7A, {0x9E, 0x15, 0x6D, 0x42, 0xA8, 0x73, 0x1F, 0xC0}};
    // VFW_E_NOT_STOPPED while the filter runs in another format (stop it, then ask again);
    // HRESULT_DEVICE_NOT_CONNECTED for a camera gone; VFW_E_TIMEOUT when no usable frame came
    // in time.
    virtual HRESULT TakeStill(CameraStillFrame* pStill) = 0;
};

inline constexpr const IID& IID_ICameraStill = ICameraStill::kIid;
