#include "device/PropertyAccessor.h"

#include "device/DeviceLog.h"
#include "platform/com/ComPtr.h"
#include "platform/ks/KsPropertySet.h"
#include "platform/log/Log.h"
#include "platform/log/LogRepeatFilter.h"

namespace {

const char* DirectionName(DWORD direction) {
    return direction == KSPROPERTY_SUPPORT_GET ? "Get" : "Set";
}

// A camera gone dead fails the focus read-out's every poll alike: one warning says so, the
// repeats until the next success are debug chatter.
CLogRepeatFilter& Repeats() {
    static CLogRepeatFilter filter;
    return filter;
}

// The driver's property interface on `object`, released by the holder on every path out.
ComPtr<IKsPropertySet> PropertySetOf(IUnknown* object, REFGUID set, DWORD id, DWORD direction) {
    ComPtr<IKsPropertySet> properties;
    if (!object) {
        Repeats().Log(kLogDevice, LogLevel::Warning, "%s of property %u: no object to ask",
                      DirectionName(direction), id);
        return {};
    }
    const HRESULT query =
        object->QueryInterface(IID_IKsPropertySet, properties.ReleaseAndGetVoidAddress());
    if (FAILED(query) || !properties) {
        Repeats().Log(kLogDevice, LogLevel::Warning,
                      "%s of property %u: the object offers no IKsPropertySet (0x%08X)",
                      DirectionName(direction), id, LogStatus(query));
        return {};
    }
    DWORD support = 0;
    const HRESULT supported = properties->QuerySupported(set, id, &support);
    if (supported != S_OK || !(support & direction)) {
        Repeats().Log(kLogDevice, LogLevel::Warning,
                      "%s of property %u: QuerySupported returned 0x%08X with support 0x%X",
                      DirectionName(direction), id, LogStatus(supported), support);
        return {};
    }
    return properties;
}

}  // namespace

BOOL CPropertyAccessor::GetProperty(IUnknown* object, REFGUID set, DWORD id, void* data,
                                    DWORD length) {
    ComPtr<IKsPropertySet> properties = PropertySetOf(object, set, id, KSPROPERTY_SUPPORT_GET);
    if (!properties)
        return FALSE;
    DWORD returned = 0;
    const HRESULT hr = properties->Get(set, id, data, length, data, length, &returned);
    if (hr != S_OK) {
        Repeats().Log(kLogDevice, LogLevel::Warning, "Get of property %u failed: 0x%08X", id,
                      LogStatus(hr));
        return FALSE;
    }
    // The count is not examined: a driver may fill the buffer and report another count, and
    // every caller hands in a zeroed buffer, so a short answer leaves zeros, not stale bytes.
    if (returned != length)
        LogDebug(kLogDevice, "Get of property %u: %u of %u bytes reported", id, returned, length);
    Repeats().Reset();
    return TRUE;
}

BOOL CPropertyAccessor::SetProperty(IUnknown* object, REFGUID set, DWORD id, void* data,
                                    DWORD length) {
    ComPtr<IKsPropertySet> properties = PropertySetOf(object, set, id, KSPROPERTY_SUPPORT_SET);
    if (!properties)
        return FALSE;
    const HRESULT hr = properties->Set(set, id, data, length, data, length);
    if (hr != S_OK) {
        Repeats().Log(kLogDevice, LogLevel::Warning, "Set of property %u failed: 0x%08X", id,
                      LogStatus(hr));
        return FALSE;
    }
    Repeats().Reset();
    return TRUE;
}
