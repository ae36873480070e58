// Makes the simulated camera one of the video input devices, under the name the utility
// looks for (kCameraName). Each binding of its moniker makes a new filter on the same camera, so
// the lens and the firmware keep their state across connections, as a real camera does.
#pragma once

#include <memory>
#include <string>

#include "sim/SimCaptureBackend.h"

// Returns the cookie for UnregisterVideoInputDevice.
DWORD RegisterSimulatedCamera(std::shared_ptr<CSimCamera> camera, const SimVideoConfig& video = {});
// A camera on real time with the given configuration.
DWORD RegisterSimulatedCamera(const SimCameraConfig& config = {}, const SimVideoConfig& video = {});
// The camera as NITIDOR_SIM scripts it (SimEnvironment.h), unless that says it is absent; false,
// with `error`, when NITIDOR_SIM cannot be read, and nothing registered.
bool RegisterSimulatedCameraFromEnvironment(std::string& error);
