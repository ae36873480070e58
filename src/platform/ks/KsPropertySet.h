// IKsPropertySet: a driver's property sets, addressed by set GUID and property id.
#pragma once

#include "platform/com/Unknown.h"

inline constexpr DWORD KSPROPERTY_SUPPORT_GET = 1;
inline constexpr DWORD KSPROPERTY_SUPPORT_SET = 2;

// What a driver answers for a property set or a property id it does not offer.
inline constexpr HRESULT E_PROP_SET_UNSUPPORTED = static_cast<HRESULT>(0x80070492u);
inline constexpr HRESULT E_PROP_ID_UNSUPPORTED = static_cast<HRESULT>(0x80070490u);

struct IKsPropertySet : IUnknown {
    static constexpr IID kIid{
        0x31EFAC30, 0x515C, 0x11D0, {0xA9, 0xAA, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93}};

    // Instance data and property data are separate buffers to the driver, even when a caller
    // passes the same one for both.
    virtual HRESULT Set(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData,
                        DWORD cbInstanceData, void* pPropData, DWORD cbPropData) = 0;
    // *pcbReturned receives the bytes the driver wrote into pPropData.
    virtual HRESULT Get(REFGUID guidPropSet, DWORD dwPropID, void* pInstanceData,
                        DWORD cbInstanceData, void* pPropData, DWORD cbPropData,
                        DWORD* pcbReturned) = 0;
    // *pTypeSupport receives KSPROPERTY_SUPPORT_GET and/or KSPROPERTY_SUPPORT_SET.
    virtual HRESULT QuerySupported(REFGUID guidPropSet, DWORD dwPropID, DWORD* pTypeSupport) = 0;
};

inline constexpr const IID& IID_IKsPropertySet = IKsPropertySet::kIid;
