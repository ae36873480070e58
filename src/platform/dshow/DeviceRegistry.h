// The one place where video input devices are registered. The system device enumerator lists
// them in registration order under CLSID_VideoInputDeviceCategory; binding a device's moniker
// calls its creator for a new filter.
#pragma once

#include <functional>
#include <string>

#include "platform/dshow/Interfaces.h"

// Returns a new filter with one reference through *ppFilter.
using VideoDeviceCreator = std::function<HRESULT(IBaseFilter** ppFilter)>;

// The friendly name is UTF-8. Returns a cookie for UnregisterVideoInputDevice (never 0).
DWORD RegisterVideoInputDevice(const std::string& friendlyName, VideoDeviceCreator creator);
// Monikers already handed out keep working; later enumerations no longer list the device.
void UnregisterVideoInputDevice(DWORD cookie);
// Forgets every device, for tests.
void ClearVideoInputDevices();

// The system device enumerator's class-table creator.
HRESULT CreateSystemDeviceEnum(REFIID riid, void** ppv);
