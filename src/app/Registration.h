// What the program registers before it runs: the cameras of every camera backend (the
// simulated camera it finds as "Standard_Camera", then the real cameras V4L2 lists), the
// capture framework's classes, and the renderer a preview is drawn with.
#pragma once

#include <string>
#include <vector>

class QAction;
class QObject;

// With bShowsPreview the renderer shows frames in its own window and the simulator's lens panel
// follows the stream beside it; without, the renderer shows nothing and needs no window
// system. The simulated camera follows NITIDOR_SIM (sim/SimEnvironment.h); false, with
// `error`, when that cannot be read, and nothing registered.
bool RegisterPlatformClasses(bool bShowsPreview, std::string& error);

// The menu items, owned by `parent`, that show and hide the cameras' own windows (the
// simulator's lens panel) from the main dialog; after RegisterPlatformClasses with a preview.
std::vector<QAction*> CameraWindowToggles(QObject* parent);
