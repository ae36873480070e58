// CPropertyAccessor: one guarded Get or Set on an object's IKsPropertySet. The direction must
// be reported by QuerySupported and only S_OK counts as success; the IKsPropertySet is queried
// afresh for each call and released before it returns.
#pragma once

#include "platform/com/Guid.h"
#include "platform/com/Unknown.h"

class CPropertyAccessor {
public:
    // The same buffer and length travel as instance data and as property data, as the
    // camera's driver expects. The byte count the driver reports back is not examined: the
    // callers zero their buffers, so a short answer leaves zeros where nothing came.
    BOOL GetProperty(IUnknown* object, REFGUID set, DWORD id, void* data, DWORD length);
    // `data` may be null when `length` is 0.
    BOOL SetProperty(IUnknown* object, REFGUID set, DWORD id, void* data, DWORD length);
};
