// Luma sharpening that also raises colour saturation, applied to a developed raw still. The
// development runs it fused with the other passes (DevelopRows); this plain pass is the
// readable reference the tests and the benchmark hold the fused kernels to.
#pragma once

#include "imaging/ImagingTypes.h"

// Sharpens a packed, bottom-up BGR image in place. Pictures under 3 pixels in either direction
// have no interior to sharpen and are left unchanged, as they are when the few rows of working
// memory cannot be reserved.
void SharpenImage(BYTE* image, int width, int height);
