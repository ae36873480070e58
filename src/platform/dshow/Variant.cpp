#include "platform/dshow/Interfaces.h"

void VariantInit(VARIANT* pvar) {
    if (!pvar)
        return;
    pvar->vt = VT_EMPTY;
    pvar->bstrVal = nullptr;
}

HRESULT VariantClear(VARIANT* pvar) {
    if (!pvar)
        return E_POINTER;
    if (pvar->vt == VT_BSTR)
        SysFreeString(pvar->bstrVal);
    VariantInit(pvar);
    return S_OK;
}
