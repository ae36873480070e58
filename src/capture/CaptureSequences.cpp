#include "capture/CaptureSequences.h"

BOOL ConnectDevice(CCaptureDevice& device, HWND dialog) {
    if (!device.Connect())
        return FALSE;
    device.SetNotifyWindow(dialog);
    return TRUE;
}

BOOL SelectFormatAndPreview(CCaptureDevice& device, DWORD& nFormatKey, LONG width, LONG height,
                            LONG frameRate, BOOL bResumePreview) {
    // A compressor pin has no table: the selection below then fails and is ignored on purpose.
    device.FormatTable().GetGroupCompression(0, nFormatKey);
    device.SelectFormat(nFormatKey, width, height, frameRate);
    device.SetPreviewWanted(bResumePreview);
    if (!bResumePreview)
        return TRUE;
    return device.RenderPreview() && device.Run();
}

void DisconnectDevice(CCaptureDevice& device, BOOL& bConnected) {
    if (!bConnected)
        return;
    device.SetPreviewWanted(FALSE);
    if (device.IsRunning())
        device.Stop();
    device.TearDownPreview();
    device.ReleaseAll();
    bConnected = FALSE;
}
