// CFocusDlg: connecting the camera ("New"), and what the session tells the operator.
#include "platform/log/Log.h"
#include "platform/mfc/MessageBox.h"
#include "ui/CameraChoice.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"
#include "ui/StringTable.h"
#include "ui/UiLog.h"

void CFocusDlg::OnNew() {
    m_stcFocus.SetWindowText("");
    m_wndHistory.Clear();
    m_previewSettings.Load();
    m_session.SetPreviewRate(m_previewSettings.nFrameRate);
    m_session.SetCameraName(LoadCameraName());
    const bool bConnected =
        m_session.Connect(GetSafeHwnd()) == CCameraSession::ConnectResult::Connected;
    // A failed "New" has said why; a preview resumed from before an abort shows as running.
    EnterState(StateAfterNew(m_state, bConnected, m_session.IsPreviewRunning()));
    if (bConnected)
        m_stcStatus.SetWindowText("");
}

void CFocusDlg::ShowStatus(const std::string& text) {
    m_stcStatus.SetWindowText(text);
}

void CFocusDlg::ShowMessage(SessionMessage message) {
    switch (message) {
        case SessionMessage::DeviceInitFailed:
            LogInfo(kLogUi, "message box %u: the camera could not be opened or initialised",
                    IDP_DEVICE_INIT_FAILED);
            AfxMessageBox(LoadResString(IDP_DEVICE_INIT_FAILED));
            break;
        case SessionMessage::RestartFailed:
            LogInfo(kLogUi, "message box %u: the preview could not be restarted after a still",
                    IDP_DEVICE_ACCESS_FAILED);
            AfxMessageBox(LoadResString(IDP_DEVICE_ACCESS_FAILED), MB_OK | MB_ICONSTOP);
            break;
    }
}

// At once, as the camera goes; the state the dialog enters afterwards has the timer off too.
void CFocusDlg::StopFocusReadout() {
    KillTimer(kFocusTimerId);
}
