#include "sim/SimCameraRegistration.h"

#include "platform/dshow/DeviceRegistry.h"
#include "product/Product.h"

DWORD RegisterSimulatedCamera(std::shared_ptr<CSimCamera> camera, const SimVideoConfig& video) {
    if (!camera)
        camera = std::make_shared<CSimCamera>();
    return RegisterVideoInputDevice(kCameraName, [camera, video](IBaseFilter** ppFilter) {
        if (!ppFilter)
            return E_POINTER;
        auto filter = MakeComObject<CSimCaptureFilter>(camera, video);
        *ppFilter = static_cast<IBaseFilter*>(filter.Detach());
        return S_OK;
    });
}

DWORD RegisterSimulatedCamera(const SimCameraConfig& config, const SimVideoConfig& video) {
    return RegisterSimulatedCamera(std::make_shared<CSimCamera>(config), video);
}
