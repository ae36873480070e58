// A video type as a capture pin hands it out, for the tests of what takes one.
#pragma once

#include <cstdlib>
#include <new>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaTypes.h"

// An RGB24 FORMAT_VideoInfo type in task memory owned by the caller.
inline AM_MEDIA_TYPE MakeRgb24Type(LONG width, LONG height) {
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    mt.formattype = FORMAT_VideoInfo;
    mt.bFixedSizeSamples = TRUE;
    mt.cbFormat = sizeof(VIDEOINFOHEADER);
    mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    auto* vih = new (mt.pbFormat) VIDEOINFOHEADER;
    vih->AvgTimePerFrame = 10'000'000;
    vih->bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB};
    vih->bmiHeader.biSizeImage = static_cast<DWORD>(((width * 3 + 3) & ~3) * std::abs(height));
    mt.lSampleSize = vih->bmiHeader.biSizeImage;
    return mt;
}
