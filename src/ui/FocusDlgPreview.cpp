// CFocusDlg: starting and stopping the preview, the focus read-out, graph events and close.
#include <cstdio>

#include "app/FocusApp.h"
#include "platform/ks/VendorPropertySet.h"
#include "platform/mfc/MessageBox.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"
#include "ui/StringTable.h"

namespace {
// The figure the firmware reports when the measure ran out of range.
constexpr LONG kFocusOverflow = 0x8000;
}  // namespace

std::string CFocusDlg::FormatFocusValue(LONG value) {
    if (value == kFocusOverflow)
        return "Overflow";
    char text[16];
    std::snprintf(text, sizeof(text), "%d", static_cast<int>(value));
    return text;
}

// "New", the Start/Stop button, "Snapshot" and timer 100 as they go with a preview that runs
// or not. Every flow that starts or stops the preview ends here, so they never disagree.
void CFocusDlg::ShowPreviewControls(BOOL bRunning) {
    m_btnNew.EnableWindow(!bRunning);
    m_btnStartStop.SetWindowText(LoadResString(bRunning ? IDS_STOP : IDS_START));
    m_btnSnapshot.EnableWindow(bRunning);
    if (bRunning)
        SetTimer(kFocusTimerId, kFocusTimerPeriod_ms);
    else
        KillTimer(kFocusTimerId);
}

void CFocusDlg::OnStartStop() {
    UpdateData(TRUE);
    CCaptureDevice* device = Device();
    if (!device)
        return;

    if (device->m_bRunning) {
        device->Stop();
        device->m_bPreviewWanted = FALSE;
        ShowPreviewControls(FALSE);
        if (!m_bFullPreview)
            SendDeviceCommand(VENDOR_COMMAND_PREVIEW_STOPPED);
        m_stcStatus.SetWindowText("");
        m_bResumePreview = device->m_bPreviewWanted;
        return;
    }

    device->m_bPreviewWanted = TRUE;
    if (device->RenderPreview() && device->Run()) {
        ShowPreviewControls(TRUE);
        if (!m_bFullPreview)
            SendDeviceCommand(VENDOR_COMMAND_PREVIEW_STARTED);
        m_bResumePreview = device->m_bPreviewWanted;
        return;
    }
    AfxMessageBox(LoadResString(IDP_DEVICE_ACCESS_FAILED));
    m_stcStatus.SetWindowText("");
}

void CFocusDlg::ShowFocusValue(const DeviceStatus& status) {
    m_nFocusValue = static_cast<LONG>(status.lengthOrValue);
    Device()->WriteStatus(status);  // the record written back unchanged is the acknowledgement
    m_stcFocus.SetWindowText(FormatFocusValue(m_nFocusValue));
}

void CFocusDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kFocusTimerId) {
        DeviceStatus status;
        CCaptureDevice* device = Device();
        if (device && device->GetStatus(status) && status.IsReady())
            ShowFocusValue(status);
    }
    CDialog::WindowProc(WM_TIMER, nIDEvent, 0);
}

LRESULT CFocusDlg::OnGraphNotify(WPARAM, LPARAM) {
    CCaptureDevice* device = Device();
    if (!device || !device->m_pMediaEvent)
        return 0;
    LONG code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    // Re-read the interface each time: an error abort releases it in the middle of the loop.
    while (device->m_pMediaEvent &&
           device->m_pMediaEvent->GetEvent(&code, &param1, &param2, 0) == S_OK) {
        device->m_pMediaEvent->FreeEventParams(code, param1, param2);
        if (code == EC_USERABORT && device->m_bRunning) {
            device->Stop();
            device->m_bPreviewWanted = FALSE;
            ShowPreviewControls(FALSE);
            // Unlike "Stop": a still can be taken after the operator closed the preview; the
            // snapshot then restarts it and the controls follow.
            m_btnSnapshot.EnableWindow(TRUE);
            if (!m_bFullPreview)
                SendDeviceCommand(VENDOR_COMMAND_PREVIEW_STOPPED);
            m_stcStatus.SetWindowText("");
        } else if (code == EC_ERRORABORT && device->m_bRunning) {
            DisconnectDevice();
            ShowPreviewControls(FALSE);
            m_btnStartStop.EnableWindow(FALSE);  // the camera is gone: "New" first
            break;
        }
    }
    return 0;
}

void CFocusDlg::OnDestroy() {
    DisconnectDevice();
    if (App().m_pProfile)
        App().m_pProfile->Save();
    if (m_bViewCreated) {
        m_wndSnapshotView.DestroyWindow();
        m_bViewCreated = 0;
    }
}
