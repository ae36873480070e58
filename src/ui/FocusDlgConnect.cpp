// CFocusDlg: connecting the camera ("New") and the dialog-level device operations.
#include <memory>

#include "app/FocusApp.h"
#include "capture/CaptureSequences.h"
#include "device/DeviceCommands.h"
#include "platform/mfc/MessageBox.h"
#include "platform/mfc/WindowHandle.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"
#include "ui/StringTable.h"

BOOL CFocusDlg::ConnectDevice() {
    CCaptureDevice* device = Device();
    return device ? ::ConnectDevice(*device, GetSafeHwnd()) : FALSE;
}

BOOL CFocusDlg::SelectFormatAndPreview() {
    CCaptureDevice* device = Device();
    if (!device)
        return FALSE;
    return ::SelectFormatAndPreview(*device, m_nFormatKey, m_nWidth, m_nHeight, m_nFrameRate,
                                    m_bResumePreview);
}

void CFocusDlg::DisconnectDevice() {
    KillTimer(kFocusTimerId);
    if (CCaptureDevice* device = Device())
        ::DisconnectDevice(*device, m_bConnected);
}

BOOL CFocusDlg::CheckFirmware() {
    CCaptureDevice* device = Device();
    m_bFirmwarePresent = device ? ::CheckFirmware(*device) : FALSE;
    return TRUE;
}

BOOL CFocusDlg::SendDeviceCommand(char code) {
    CCaptureDevice* device = Device();
    return device ? ::SendDeviceCommand(*device, code) : FALSE;
}

// A connect that fails after the camera was opened: tell the operator, release the camera.
void CFocusDlg::EndConnect(BOOL bShowMessage) {
    if (bShowMessage)
        AfxMessageBox(LoadResString(IDP_DEVICE_INIT_FAILED));
    m_stcStatus.SetWindowText("");
    DisconnectDevice();
}

void CFocusDlg::OnNew() {
    CFocusApp& app = App();
    if (app.m_pCaptureDevice) {
        DisconnectDevice();
        app.m_pCaptureDevice.reset();
    }
    m_bConnected = 0;

    if (HWND leftover = FindWindow(nullptr, kVideoRendererTitle))
        ::DestroyWindow(leftover);

    app.m_pCaptureDevice = std::make_unique<CCaptureDevice>();
    CCaptureDevice& device = *app.m_pCaptureDevice;
    device.m_bPreviewWanted = FALSE;

    m_btnStartStop.SetWindowText(LoadResString(IDS_START));
    m_btnSnapshot.EnableWindow(FALSE);  // the earlier camera is released: nothing runs
    m_stcFocus.SetWindowText("");
    m_stcStatus.SetWindowText("Looking for device...");

    m_bConnected = ConnectDevice();
    if (!m_bConnected) {
        AfxMessageBox(LoadResString(IDP_DEVICE_INIT_FAILED));
        m_stcStatus.SetWindowText("");
        return;
    }
    m_stcStatus.SetWindowText("Device found");
    CheckFirmware();
    if (!app.m_bNoLoadFirmware && !m_bFirmwarePresent) {
        m_stcStatus.SetWindowText("No Firmware...");
        DisconnectDevice();
        return;
    }

    // Bounded, so a camera that never comes up gives the dialog back to the operator.
    if (!WaitForDeviceReady(device, m_nReadyTimeout_ms)) {
        EndConnect(TRUE);
        return;
    }
    if (app.m_pProfile)
        app.m_pProfile->LoadFromDevice(device);
    m_stcStatus.SetWindowText("Initializing...");

    if (!SelectFormatAndPreview()) {
        EndConnect(TRUE);
        return;
    }
    m_btnStartStop.EnableWindow(TRUE);
    // A preview resumed from before an abort shows as running, with its read-out.
    if (device.m_bRunning)
        ShowPreviewControls(TRUE);
    m_stcStatus.SetWindowText("");
}
