#include "sim/SimCameraRegistration.h"

#include <cstdlib>

#include "sim/SimEnvironment.h"

DWORD RegisterSimulatedCamera(std::shared_ptr<CSimCamera> camera, const SimVideoConfig& video) {
    return RegisterLiveCaptureDevice(SimCaptureDevice(std::move(camera), video));
}

DWORD RegisterSimulatedCamera(const SimCameraConfig& config, const SimVideoConfig& video) {
    return RegisterSimulatedCamera(std::make_shared<CSimCamera>(config), video);
}

bool RegisterSimulatedCameraFromEnvironment(std::string& error) {
    SimEnvironment sim;
    const char* text = std::getenv(kSimEnvironmentVariable);
    if (text && !ParseSimEnvironment(text, sim, error))
        return false;
    if (!sim.bAbsent)
        RegisterSimulatedCamera(sim.camera);
    return true;
}
