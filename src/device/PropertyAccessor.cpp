#include "device/PropertyAccessor.h"

#include "platform/com/ComPtr.h"
#include "platform/ks/KsPropertySet.h"

namespace {

// The driver's property interface on `object`, released by the holder on every path out.
ComPtr<IKsPropertySet> PropertySetOf(IUnknown* object, REFGUID set, DWORD id, DWORD direction) {
    ComPtr<IKsPropertySet> properties;
    if (!object ||
        FAILED(object->QueryInterface(IID_IKsPropertySet, properties.ReleaseAndGetVoidAddress())) ||
        !properties) {
        return {};
    }
    DWORD support = 0;
    if (properties->QuerySupported(set, id, &support) != S_OK || !(support & direction)) {
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
    if (properties->Get(set, id, data, length, data, length, &returned) != S_OK)
        return FALSE;
    // A short answer would leave the caller's buffer partly stale or uninitialised.
    return returned == length ? TRUE : FALSE;
}

BOOL CPropertyAccessor::SetProperty(IUnknown* object, REFGUID set, DWORD id, void* data,
                                    DWORD length) {
    ComPtr<IKsPropertySet> properties = PropertySetOf(object, set, id, KSPROPERTY_SUPPORT_SET);
    if (!properties)
        return FALSE;
    return properties->Set(set, id, data, length, data, length) == S_OK ? TRUE : FALSE;
}
