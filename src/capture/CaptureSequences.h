// The three sequences the main dialog runs on the current capture device: connect, choose the
// start-up format (and resume the preview), disconnect.
#pragma once

#include "capture/CaptureDevice.h"

// Builds the graph and fills the format table; on success graph events go to `dialog`.
BOOL ConnectDevice(CCaptureDevice& device, HWND dialog);

// Selects the first compression group at the given size and rate (a refusal is ignored: the
// pin then keeps its own format), records whether the preview is wanted and, if so, renders
// and runs it. With an empty table nFormatKey is left as it was.
BOOL SelectFormatAndPreview(CCaptureDevice& device, DWORD& nFormatKey, LONG width, LONG height,
                            LONG frameRate, BOOL bResumePreview);

// Takes a connected device back to Idle: stop, tear down the preview, release the graph. The
// dialog kills its focus timer first; nothing happens when bConnected is clear.
void DisconnectDevice(CCaptureDevice& device, BOOL& bConnected);
