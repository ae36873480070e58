// Develops an accepted raw still in one pass: the result is exactly DemosaicBayer, then
// ApplyToneCurve, then SharpenImage on the same image, computed row by row on several cores.
#pragma once

#include "imaging/ImagingTypes.h"
#include "imaging/RawSnapshot.h"

// Writes the developed picture into `image` (at least 3 x width x height bytes, rows packed
// at 3 x width, bottom-up). threadCount 0 uses the machine's cores; the result never depends
// on it. Fails, with the image untouched, for a snapshot ParseRawSnapshot would not accept or
// when the working rows cannot be reserved.
BOOL DevelopRawSnapshot(const RawSnapshotInfo& info, BYTE* image, int threadCount = 0);
