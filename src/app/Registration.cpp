#include "app/Registration.h"

#include "platform/dshow/Interfaces.h"
#include "platform/dshow/NullRenderer.h"
#include "platform/renderer/VideoRenderer.h"
#include "sim/SimCameraRegistration.h"
#include "sim/panel/SimLensPanelObserver.h"
#include "sim/panel/SimLensPanelToggle.h"
#include "v4l2/V4l2Cameras.h"

namespace {

// The camera backends, each listing its cameras as video input devices, in the order the
// program looks for its camera among them. A backend that cannot read its settings stops the
// start and registers nothing.
struct CameraBackend {
    const char* name;
    bool (*registerCameras)(std::string& error);
};

constexpr CameraBackend kCameraBackends[] = {
    {"simulator", &RegisterSimulatedCameraFromEnvironment},
    {"V4L2", &RegisterV4l2Cameras},
};

}  // namespace

bool RegisterPlatformClasses(bool bShowsPreview, std::string& error) {
    for (const CameraBackend& backend : kCameraBackends) {
        if (!backend.registerCameras(error))
            return false;
    }
    RegisterDShowClasses();
    if (bShowsPreview) {
        RegisterVideoRenderer();
        AttachSimLensPanel();
    } else {
        RegisterNullRenderer();
    }
    return true;
}

std::vector<QAction*> CameraWindowToggles(QObject* parent) {
    return {CreateSimLensPanelToggle(parent)};
}
