#include "platform/com/ComRuntime.h"
#include "platform/dshow/CaptureGraphBuilder.h"
#include "platform/dshow/DeviceRegistry.h"
#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/Interfaces.h"

void RegisterDShowClasses() {
    CoRegisterClass(CLSID_SystemDeviceEnum, &CreateSystemDeviceEnum);
    CoRegisterClass(CLSID_FilterGraph, &CFilterGraph::CreateInstance);
    CoRegisterClass(CLSID_CaptureGraphBuilder, &CCaptureGraphBuilder::CreateInstance);
}
