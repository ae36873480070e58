// The fixed tone curve applied to a freshly demosaiced raw still: steep in the shadows,
// flat above mid-grey, one table for all three colours.
#pragma once

#include "imaging/ImagingTypes.h"

// Output value for each 8-bit input; a constant, never computed at run time.
extern const BYTE ToneTable[256];

// Replaces each of the 3 x width x height bytes of a packed BGR image by its table value.
void ApplyToneCurve(BYTE* image, int width, int height);
