// The focus chart itself, drawn sharp: a Siemens star in the middle, bar groups of four pitches
// in the corners, a line of lettering above, colour patches below and a registration mark in
// each corner. Internal to CSimScene.
#pragma once

#include <vector>

#include "platform/com/Types.h"

struct RegistrationMarkBgr {
    BYTE b, g, r;
};

// Side of the square registration marks, in picture heights: 78 pixels of a 1944-row still,
// large enough to survive JPEG and raw development.
inline constexpr double kRegistrationMarkSize = 0.04;
// Top-left red, top-right green, bottom-left blue, bottom-right yellow: every channel 0 or 255,
// so a tone curve leaves them as they are and an operator tells the corners apart at a glance.
inline constexpr RegistrationMarkBgr kRegistrationMarks[4] = {
    {0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 255, 255}};

// Fills `bgr` with width x height pixels, 3 bytes each (blue, green, red), rows top-down.
void DrawFocusChart(int width, int height, std::vector<BYTE>& bgr);

// Blurs packed 3-byte pixels in place with a separable near-gaussian of the given sigma
// (three passes of a box whose edge taps are weighted fractionally, so any sigma is exact).
void BlurBgr(int width, int height, double sigma, std::vector<BYTE>& bgr);
