// What the program registers before it runs: the capture framework's classes, the renderer a
// preview is drawn with, and the simulated camera it finds as "Standard_Camera".
#pragma once

#include <string>

// With bShowsPreview the renderer shows frames in its own window and the simulator opens its
// lens panel beside it; without, the renderer shows nothing and needs no window system. The
// simulated camera follows NITIDOR_SIM (sim/SimEnvironment.h); false, with `error`, when that
// cannot be read, and nothing registered.
bool RegisterPlatformClasses(bool bShowsPreview, std::string& error);
