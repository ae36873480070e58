// A vendor property channel on any object, as the capture device's is on its camera filter.
#pragma once

#include "device/VendorChannel.h"
#include "platform/com/ComPtr.h"

class CTestVendorChannel : public CVendorChannel {
public:
    CTestVendorChannel() : CVendorChannel([this] { return m_pCameraFilter.Get(); }) {}

    ComPtr<IUnknown> m_pCameraFilter;  // the object the property operations address
};
