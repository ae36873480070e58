// Turns a raw still's Bayer samples into a packed, bottom-up BGR image.
#pragma once

#include "imaging/ImagingTypes.h"

// Fills every pixel of `image` (at least 3 x width x height bytes, rows of 3 x width bytes)
// from the samples; sample row y becomes image row height - 1 - y. Needs width and height of
// at least 2 and a phase of 0..3 (ParseRawSnapshot guarantees both); does nothing otherwise.
void DemosaicBayer(const BYTE* samples, int width, int height, int phase, BYTE* image);
