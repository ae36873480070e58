// CFocusDlg: starting and stopping the preview, the focus read-out, graph events and close.
#include <QAbstractButton>

#include "platform/log/Log.h"
#include "platform/mfc/MessageBox.h"
#include "session/FocusFigure.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"
#include "ui/SnapshotViewSettings.h"
#include "ui/StringTable.h"
#include "ui/UiLog.h"

// Every sequence ends here, so the controls and the read-out never disagree with the state.
void CFocusDlg::EnterState(DialogState state) {
    m_state = state;
    const DialogControls& controls = ControlsOf(state);
    m_btnNew.EnableWindow(controls.bNew);
    m_btnStartStop.EnableWindow(controls.bStartStop);
    m_btnStartStop.SetWindowText(LoadResString(controls.bStopText ? IDS_STOP : IDS_START));
    m_btnSnapshot.EnableWindow(controls.bSnapshot);
    // A video-only camera has no raw Bayer stills: its box is cleared and takes no clicks.
    if (auto* raw = qobject_cast<QAbstractButton*>(GetDlgItem(IDC_RAWDATA))) {
        const bool bVideoOnly = m_session.IsVideoOnly() && state != DialogState::NoCamera;
        if (bVideoOnly)
            raw->setChecked(false);
        raw->setEnabled(!bVideoOnly);
    }
    m_wndHistory.FollowPreview(controls.bFocusTimer);
    if (controls.bFocusTimer)
        SetTimer(kFocusTimerId, kFocusReadPeriod_ms);
    else
        KillTimer(kFocusTimerId);
}

void CFocusDlg::OnStartStop() {
    UpdateData(TRUE);
    if (!m_session.Device())
        return;
    // By what the graph does, not by the button's text.
    if (m_session.IsPreviewRunning()) {
        m_session.StopPreview(!m_bFullPreview);
        EnterState(DialogState::Stopped);
        m_stcStatus.SetWindowText("");
        return;
    }
    if (m_session.StartPreview(!m_bFullPreview)) {
        m_wndHistory.StartRun();
        EnterState(DialogState::Running);
        return;
    }
    LogInfo(kLogUi, "message box %u: the preview could not be started", IDP_DEVICE_ACCESS_FAILED);
    AfxMessageBox(LoadResString(IDP_DEVICE_ACCESS_FAILED));
    m_stcStatus.SetWindowText("");
}

void CFocusDlg::OnTimer(UINT_PTR nIDEvent) {
    LONG value = 0;
    if (nIDEvent == kFocusTimerId) {
        if (m_session.ReadFocus(value)) {
            m_stcFocus.SetWindowText(FormatFocusValue(value));
            m_wndHistory.AddFigure(value);  // exactly what the read-out shows
        } else {
            m_wndHistory.TickWithoutFigure();
        }
        FeedRegions();
    }
    CDialog::WindowProc(WM_TIMER, nIDEvent, 0);
}

LRESULT CFocusDlg::OnGraphNotify(WPARAM, LPARAM) {
    switch (m_session.HandleGraphEvents(!m_bFullPreview)) {
        case CCameraSession::GraphEvent::UserAbort:
            EnterState(DialogState::ClosedByOperator);
            m_stcStatus.SetWindowText("");
            break;
        case CCameraSession::GraphEvent::ErrorAbort:
            EnterState(DialogState::CameraGone);
            m_wndHistory.LoseCamera();
            break;
        case CCameraSession::GraphEvent::None:
            break;
    }
    return 0;
}

void CFocusDlg::OnDestroy() {
    m_session.DisconnectDevice();
    if (CDeviceProfile* profile = m_session.Profile())
        profile->Save();
    if (m_bViewCreated) {
        WindowPlace place;
        if (m_wndSnapshotView.GetPlace(place))
            SaveSnapshotViewPlace(place);
        m_wndSnapshotView.DestroyWindow();
        m_bViewCreated = 0;
    }
    m_wndHistory.DestroyWindow();
}
