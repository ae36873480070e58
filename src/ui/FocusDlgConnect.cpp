// CFocusDlg: connecting the camera ("New"), and what the session tells the operator.
#include <QAbstractButton>

#include "platform/log/Log.h"
#include "platform/mfc/MessageBox.h"
#include "ui/CameraChoice.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"
#include "ui/StringTable.h"
#include "ui/UiLog.h"

void CFocusDlg::OnNew() {
    // "Snapshot" is left as it was: after a user abort it stays enabled through a New.
    m_btnStartStop.SetWindowText(LoadResString(IDS_START));
    m_stcFocus.SetWindowText("");
    m_wndHistory.Clear();
    m_previewSettings.Load();
    m_session.SetPreviewRate(m_previewSettings.nFrameRate);
    m_session.SetCameraName(LoadCameraName());
    if (m_session.Connect(GetSafeHwnd()) != CCameraSession::ConnectResult::Connected)
        return;  // the session has said why
    m_btnStartStop.EnableWindow(TRUE);
    // A video-only camera has no raw Bayer stills: its box is cleared and disabled.
    if (auto* raw = qobject_cast<QAbstractButton*>(GetDlgItem(IDC_RAWDATA))) {
        if (m_session.IsVideoOnly())
            raw->setChecked(false);
        raw->setEnabled(!m_session.IsVideoOnly());
    }
    // A preview resumed from before an abort shows as running, with its read-out.
    if (m_session.IsPreviewRunning())
        ShowPreviewControls(TRUE);
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

void CFocusDlg::StopFocusReadout() {
    KillTimer(kFocusTimerId);
}
