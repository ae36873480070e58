// The simulated camera's scripted misbehaviour, chosen from outside the process for testing:
// the environment variable NITIDOR_SIM holds a comma-separated list of
//   absent             no camera named "Standard_Camera" is listed at all
//   no-firmware        register 0x740 says that no firmware runs
//   startup-ms=N       the device state reads 0 for N ms after power-up, then 1 (slow start)
//   never-ready        the device state never reads 1
//   silent-mailbox     requests are accepted but nothing is ever posted
//   unplug-after-ms=N  every property call fails from N ms after power-up, and a running
//                      stream is lost (cable pulled)
//   unplug-at-call=N   every property call fails from the Nth (1-based) on, and the stream
//                      with it
//   raw-phase=N        raw stills carry Bayer phase N, 0 to 3
//   tilt-x=N           the lens is tilted: in focus N lens steps further on at the picture's
//                      right edge than at its left, -100 to 100
//   tilt-y=N           the same from the picture's top edge to its bottom
//   lens=N             the lens starts at position N, within its travel (0 to 1000)
// Power-up is when the program registers the camera, as it starts.
#pragma once

#include <string>
#include <string_view>

#include "sim/SimCamera.h"

inline constexpr char kSimEnvironmentVariable[] = "NITIDOR_SIM";

struct SimEnvironment {
    SimCameraConfig camera;
    bool bAbsent = false;
};

// Applies every item of `text` to `settings` (an empty text changes nothing). FALSE, with
// `settings` untouched and `error` naming the item, when an item is unknown or its number
// is not one.
bool ParseSimEnvironment(std::string_view text, SimEnvironment& settings, std::string& error);
