// The video renderer's own top-level window as the rest of the system asks after it, without
// knowing which renderer draws it and without looking for it by title: the renderer that shows
// one installs the answer when it is registered; until then there is no such window.
#pragma once

#include "platform/win/WinTypes.h"

// The newest window of a video renderer that still exists, shown or not, or null.
using VideoRendererWindowQuery = HWND (*)();

// Null uninstalls. The application's start installs it; tests may install their own.
void SetVideoRendererWindowQuery(VideoRendererWindowQuery query);
// What the installed query answers, or null without one. User-interface thread only.
HWND FindVideoRendererWindow();
