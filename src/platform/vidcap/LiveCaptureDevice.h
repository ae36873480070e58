// A camera backend listed as a video input device: each binding of its moniker makes a new
// live capture filter over a new backend, as opening a camera does.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/vidcap/LiveCaptureFilter.h"

// Makes the backend for one filter; null when the camera cannot be opened now.
using CaptureBackendFactory = std::function<std::unique_ptr<ICaptureBackend>()>;

struct LiveCaptureDevice {
    std::string friendlyName;  // UTF-8; the filter's name outside a graph too
    CLSID clsid{};
    LiveCaptureOptions options;
    CaptureBackendFactory makeBackend;
};

// A new filter with one reference through *ppFilter; VFW_E_NOT_FOUND when no backend is made,
// E_INVALIDARG when it lists no format.
HRESULT CreateLiveCaptureFilter(const LiveCaptureDevice& device, IBaseFilter** ppFilter);
// Returns the cookie for UnregisterVideoInputDevice.
DWORD RegisterLiveCaptureDevice(LiveCaptureDevice device);
