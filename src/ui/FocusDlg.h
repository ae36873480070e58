// CFocusDlg: the main dialog (template 102). The operator connects the camera ("New"),
// starts and stops the preview, watches the focus figure polled every 100 ms, takes JPEG or
// raw snapshots and leaves. It holds no device of its own: it runs the application's camera
// session and shows what the session tells it.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/mfc/Button.h"
#include "platform/mfc/Dialog.h"
#include "platform/mfc/Static.h"
#include "session/CameraSession.h"
#include "ui/DialogState.h"
#include "ui/FocusHistoryWnd.h"
#include "ui/PreviewSettings.h"
#include "ui/SnapshotViewDlg.h"

// The focus read-out's window timer; it ticks every kFocusReadPeriod_ms.
inline constexpr UINT_PTR kFocusTimerId = 100;

class CFocusDlg : public CDialog, private ISessionFront {
    Q_OBJECT

public:
    explicit CFocusDlg(CCameraSession& session, QWidget* pParent = nullptr);
    ~CFocusDlg() override;

    // The window that shows the last still (made by the first snapshot that needs it).
    CSnapshotViewDlg& SnapshotView() { return m_wndSnapshotView; }
    // The chart of the figures the read-out showed, beside the dialog.
    CFocusHistoryWnd& FocusHistory() { return m_wndHistory; }
    // The context menu: the history's toggle and the others', the region outlines, the preview
    // rate, the camera, Close and About.
    QMenu* ContextMenu() const { return m_pSystemMenu; }
    // Before the dialog runs: a checkable item, after the history's, that shows and hides
    // another window the operator works with (a camera's own, which this dialog does not know).
    void AddWindowToggle(QAction* toggle) { m_windowToggles.push_back(toggle); }
    DialogState State() const { return m_state; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct MessageMapEntry;
    static const MessageMapEntry kMessageMap[];

    // Handlers, reached through the message map (WindowProc).
    void OnSysCommand(UINT nID, LPARAM lParam);
    QIcon OnQueryDragIcon() const;  // the drag cursor of a minimised window; Qt never asks
    void OnNew();
    void OnStartStop();
    void OnDestroy();
    void OnSnapshot();
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnGraphNotify(WPARAM wParam, LPARAM lParam);

    // Enters `state`: "New", the Start/Stop button, "Snapshot", timer 100 and the history's
    // following of the preview as its row has them.
    void EnterState(DialogState state);
    void EnsureSnapshotView();

    // The five regions (FocusDlgRegions.cpp): the menu items for the outlines and the rate,
    // a new measurement into the history, and the outlines that show its regions' states.
    void AddPreviewItems(QAction* before);
    void ChoosePreviewRate(LONG framesPerSecond);
    void ChooseOutlines(bool bShow);
    void ShowPreviewSettings();
    void FeedRegions();
    void ShowOutlines();
    // The "Camera" submenu (FocusDlgCamera.cpp): the video input devices, the chosen one
    // ticked; a choice is kept and taken at the next "New".
    void AddCameraMenu(QAction* before);
    void ShowCameras();

    // ISessionFront
    void ShowStatus(const std::string& text) override;
    void ShowMessage(SessionMessage message) override;
    void StopFocusReadout() override;
    void PrepareStillView() override;
    void ShowStill(CStill still) override;

    CCameraSession& m_session;
    CButton m_btnSnapshot;
    CStatic m_stcStatus;
    CButton m_btnStartStop;
    CStatic m_stcFocus;
    CButton m_btnNew;
    BOOL m_bFullPreview = 0;
    BOOL m_bRawData = 0;
    QIcon m_hIcon;
    BOOL m_bViewCreated = 0;
    DialogState m_state = DialogState::NoCamera;
    CSnapshotViewDlg m_wndSnapshotView;
    CFocusHistoryWnd m_wndHistory;
    CPreviewSettings m_previewSettings;
    uint64_t m_nRegionSequence = 0;  // of the measurement last handed to the history
    int m_nRegionFrameWidth = 0;     // of the frame it was measured on
    int m_nRegionFrameHeight = 0;
    QAction* m_pOutlines = nullptr;
    QAction* m_pRateStated = nullptr;
    QAction* m_pRateFast = nullptr;
    QMenu* m_pCameraMenu = nullptr;
    // The title-bar menu's stand-in: window managers own the real one, so Close and the About
    // item live in the dialog's context menu.
    QMenu* m_pSystemMenu = nullptr;
    std::vector<QPointer<QAction>> m_windowToggles;
};
