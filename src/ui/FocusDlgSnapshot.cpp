// CFocusDlg: taking a still ("Snapshot") and showing it in the snapshot view.
#include "ui/FocusDlg.h"
#include "ui/SnapshotViewSettings.h"

void CFocusDlg::OnSnapshot() {
    UpdateData(TRUE);
    m_wndHistory.Pause();  // the flow stops the preview and holds this thread: no figures
    // The still the "RawData" box asks for.
    m_session.TakeStill(m_bRawData ? RawStill() : JpegStill());
    // Whatever the flow left running, the controls and the read-out say so.
    if (m_session.Device())
        EnterState(m_session.IsPreviewRunning() ? DialogState::Running : DialogState::Stopped);
}

// The view's window is made by the first snapshot that needs it and reused afterwards.
void CFocusDlg::EnsureSnapshotView() {
    if (!m_bViewCreated) {
        m_wndSnapshotView.Create();
        WindowPlace place;
        if (LoadSnapshotViewPlace(place))
            m_wndSnapshotView.RememberPlace(place);
        m_bViewCreated = 1;
    }
}

void CFocusDlg::PrepareStillView() {
    EnsureSnapshotView();
}

void CFocusDlg::ShowStill(CStill still) {
    EnsureSnapshotView();
    m_wndSnapshotView.SetStill(std::move(still));
    m_wndSnapshotView.ShowWindow();
    // The pause that follows holds the user-interface thread: show the still before it.
    m_wndSnapshotView.UpdateWindow();
}
