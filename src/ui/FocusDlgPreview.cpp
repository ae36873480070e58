// CFocusDlg: starting and stopping the preview, the focus read-out, graph events and close.
#include "platform/log/Log.h"
#include "platform/mfc/MessageBox.h"
#include "session/FocusFigure.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"
#include "ui/SnapshotViewSettings.h"
#include "ui/StringTable.h"
#include "ui/UiLog.h"

// Every flow that starts or stops the preview ends here, so the controls and the read-out
// never disagree with it.
void CFocusDlg::ShowPreviewControls(BOOL bRunning) {
    m_btnNew.EnableWindow(!bRunning);
    m_btnStartStop.SetWindowText(LoadResString(bRunning ? IDS_STOP : IDS_START));
    m_btnSnapshot.EnableWindow(bRunning);
    m_wndHistory.FollowPreview(bRunning);
    if (bRunning)
        SetTimer(kFocusTimerId, kFocusTimerPeriod_ms);
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
        ShowPreviewControls(FALSE);
        m_stcStatus.SetWindowText("");
        return;
    }
    if (m_session.StartPreview(!m_bFullPreview)) {
        m_wndHistory.StartRun();
        ShowPreviewControls(TRUE);
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
            ShowPreviewControls(FALSE);
            // Unlike "Stop": a still can be taken after the operator closed the preview; the
            // snapshot then restarts it and the controls follow.
            m_btnSnapshot.EnableWindow(TRUE);
            m_stcStatus.SetWindowText("");
            break;
        case CCameraSession::GraphEvent::ErrorAbort:
            ShowPreviewControls(FALSE);
            m_btnStartStop.EnableWindow(FALSE);  // the camera is gone: "New" first
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
