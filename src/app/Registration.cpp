#include "app/Registration.h"

#include <cstdlib>

#include "platform/dshow/Interfaces.h"
#include "platform/dshow/NullRenderer.h"
#include "platform/renderer/VideoRenderer.h"
#include "sim/SimCameraRegistration.h"
#include "sim/SimEnvironment.h"

bool RegisterPlatformClasses(bool bShowsPreview, std::string& error) {
    SimEnvironment sim;
    const char* text = std::getenv(kSimEnvironmentVariable);
    if (text && !ParseSimEnvironment(text, sim, error))
        return false;
    RegisterDShowClasses();
    if (bShowsPreview)
        RegisterVideoRenderer();
    else
        RegisterNullRenderer();
    if (!sim.bAbsent) {
        SimVideoConfig video;
        video.bLensPanel = bShowsPreview ? TRUE : FALSE;
        RegisterSimulatedCamera(sim.camera, video);
    }
    return true;
}
