// The focus chart itself, drawn sharp: a Siemens star in the middle, bar groups of four pitches
// in the corners, a line of lettering above and colour patches below. Internal to CSimScene.
#pragma once

#include <vector>

#include "platform/com/Types.h"

// Fills `bgr` with width x height pixels, 3 bytes each (blue, green, red), rows top-down.
void DrawFocusChart(int width, int height, std::vector<BYTE>& bgr);

// Blurs packed 3-byte pixels in place with a separable near-gaussian of the given sigma
// (three passes of a box whose edge taps are weighted fractionally, so any sigma is exact).
void BlurBgr(int width, int height, double sigma, std::vector<BYTE>& bgr);
