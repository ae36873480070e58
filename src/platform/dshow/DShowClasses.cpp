#include "platform/com/ComRuntime.h"
#include "platform/dshow/Interfaces.h"

namespace {

HRESULT NotYetAvailable(REFIID, void** ppv) {
    if (ppv)
        *ppv = nullptr;
    return E_NOTIMPL;
}

}  // namespace

void RegisterDShowClasses() {
    CoRegisterClass(CLSID_SystemDeviceEnum, &NotYetAvailable);
    CoRegisterClass(CLSID_FilterGraph, &NotYetAvailable);
    CoRegisterClass(CLSID_CaptureGraphBuilder, &NotYetAvailable);
}
