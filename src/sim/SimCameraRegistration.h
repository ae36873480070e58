// Makes the simulated camera one of the video input devices, under the name the utility
// looks for (kCameraName). Each binding of its moniker makes a new filter on the same camera, so
// the lens and the firmware keep their state across connections, as a real camera does.
#pragma once

#include <memory>

#include "sim/SimCaptureFilter.h"

// Returns the cookie for UnregisterVideoInputDevice.
DWORD RegisterSimulatedCamera(std::shared_ptr<CSimCamera> camera, const SimVideoConfig& video = {});
// A camera on real time with the given configuration.
DWORD RegisterSimulatedCamera(const SimCameraConfig& config = {}, const SimVideoConfig& video = {});
