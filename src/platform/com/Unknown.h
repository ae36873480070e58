// IUnknown: reference counting and interface discovery, the root of every interface.
#pragma once

#include "Guid.h"
#include "Types.h"

// Each interface names its own identifier as `kIid`, so ComPtr::As and the interface table
// of CComObject can find it from the type alone.
struct IUnknown {
    static constexpr IID kIid{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

inline constexpr const IID& IID_IUnknown = IUnknown::kIid;
