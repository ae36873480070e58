// CFakeDevEnum: the system device enumerator over the fake capture world's device list. The
// monikers it hands out are logged as "Moniker<i>" in the list's order.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/dshow/Interfaces.h"

class CFakeDevEnum : public CComObject<ICreateDevEnum> {
public:
    // S_FALSE with no enumerator for an empty category, as the platform answers.
    HRESULT CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker,
                                  DWORD dwFlags) override;
};
