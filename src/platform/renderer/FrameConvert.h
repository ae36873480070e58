// Turns one video sample into a picture the renderer window can draw.
#pragma once

#include <QImage>

#include "platform/dshow/MediaTypes.h"

// The formats the renderer takes: FORMAT_VideoInfo with RGB24 (BI_RGB, 24 bits, rows padded
// to 4 bytes, bottom-up for a positive height) or YUY2 (16 bits, always top-down).
bool IsRenderableType(const AM_MEDIA_TYPE& mt);

// Bytes one frame of the type needs, or 0 for a type the renderer does not take.
ULONG FrameBytes(const AM_MEDIA_TYPE& mt);

// A new top-down RGB image of the frame; a null image when the type is not renderable or
// the sample is shorter than a frame.
QImage ConvertFrame(const AM_MEDIA_TYPE& mt, const BYTE* pData, ULONG cbData);
