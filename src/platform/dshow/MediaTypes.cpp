#include "platform/dshow/MediaTypes.h"

#include <cstring>
#include <new>

#include "platform/com/ComRuntime.h"

void FreeMediaType(AM_MEDIA_TYPE& mt) {
    if (mt.cbFormat != 0 || mt.pbFormat) {
        CoTaskMemFree(mt.pbFormat);
        mt.cbFormat = 0;
        mt.pbFormat = nullptr;
    }
    if (mt.pUnk) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

void DeleteMediaType(AM_MEDIA_TYPE* pmt) {
    if (!pmt)
        return;
    FreeMediaType(*pmt);
    CoTaskMemFree(pmt);
}

bool CopyMediaType(AM_MEDIA_TYPE& dst, const AM_MEDIA_TYPE& src) {
    dst = src;
    dst.pbFormat = nullptr;
    if (src.cbFormat != 0 && src.pbFormat) {
        dst.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(src.cbFormat));
        if (!dst.pbFormat) {
            dst.cbFormat = 0;
            dst.pUnk = nullptr;
            return false;
        }
        std::memcpy(dst.pbFormat, src.pbFormat, src.cbFormat);
    } else {
        dst.cbFormat = 0;
    }
    if (dst.pUnk)
        dst.pUnk->AddRef();
    return true;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE& src) {
    void* raw = CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE));
    if (!raw)
        return nullptr;
    auto* pmt = new (raw) AM_MEDIA_TYPE;
    if (!CopyMediaType(*pmt, src)) {
        CoTaskMemFree(pmt);
        return nullptr;
    }
    return pmt;
}
