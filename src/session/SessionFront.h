// ISessionFront: what the operator is told while a session sequence runs. The main dialog
// shows it in its controls and message boxes; the command line prints what matters.
#pragma once

#include <string>

#include "session/Still.h"

// The messages a sequence raises; the front chooses the words (the dialog's string table).
enum class SessionMessage {
    DeviceInitFailed,  // the camera could not be opened or initialised ("New")
    RestartFailed,     // the preview could not be restarted after a still
};

class ISessionFront {
public:
    virtual ~ISessionFront() = default;

    // The connect's status line: "Looking for device...", "Device found", "No Firmware...",
    // "Initializing...", or "" to clear it.
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ShowMessage(SessionMessage message) = 0;
    // The focus read-out is to stop (the camera is being released).
    virtual void StopFocusReadout() = 0;
    // A still is about to be converted by a kind whose view is made first: it must exist now.
    virtual void PrepareStillView() = 0;
    // A still is ready; the front owns it from here on.
    virtual void ShowStill(CStill still) = 0;
};
