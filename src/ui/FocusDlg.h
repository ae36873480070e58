// CFocusDlg: the main dialog (template 102). The operator connects the camera ("New"),
// starts and stops the preview, watches the focus figure polled every 100 ms, takes JPEG or
// raw snapshots and leaves. It holds no device of its own: the capture device and the profile
// belong to the application object.
#pragma once

#include <QIcon>
#include <QMenu>
#include <memory>
#include <string>

#include "device/DeviceCommands.h"
#include "device/DeviceStatus.h"
#include "platform/mfc/Button.h"
#include "platform/mfc/Dialog.h"
#include "platform/mfc/Static.h"
#include "ui/SnapshotViewDlg.h"

class CCaptureDevice;
class CFocusApp;

// The focus read-out's window timer and its period.
inline constexpr UINT_PTR kFocusTimerId = 100;
inline constexpr UINT kFocusTimerPeriod_ms = 100;
// Pause between a snapshot and the preview's restart.
inline constexpr DWORD kSnapshotPause_ms = 1000;
// The model code in the window title.
inline constexpr const char kModelCode[] = "PXV58R";

class CFocusDlg : public CDialog {
    Q_OBJECT

public:
    explicit CFocusDlg(QWidget* pParent = nullptr);
    ~CFocusDlg() override;

    // Handlers, reached through the message map (WindowProc).
    void OnSysCommand(UINT nID, LPARAM lParam);
    QIcon OnQueryDragIcon() const;
    void OnNew();
    void OnStartStop();
    void OnDestroy();
    void OnSnapshot();
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnGraphNotify(WPARAM wParam, LPARAM lParam);

    // Dialog-level operations on the application's current device.
    BOOL ConnectDevice();
    BOOL SelectFormatAndPreview();
    void DisconnectDevice();
    BOOL CheckFirmware();
    BOOL SendDeviceCommand(char code);

    // Snapshot flows (FocusDlgSnapshot.cpp).
    void TakeJpegSnapshot();
    void TakeRawSnapshot();

    // The focus figure as shown: "Overflow" for exactly 0x8000, else signed decimal.
    static std::string FormatFocusValue(LONG value);

    CButton m_btnSnapshot;
    CStatic m_stcStatus;
    CButton m_btnStartStop;
    CStatic m_stcFocus;
    CButton m_btnNew;
    BOOL m_bFullPreview = 0;
    BOOL m_bRawData = 0;
    QIcon m_hIcon;
    BOOL m_bConnected = 0;
    DWORD m_nFormatKey = 0;
    LONG m_nWidth = 0;
    LONG m_nHeight = 0;
    BOOL m_bResumePreview = 0;
    LONG m_nFrameRate = 0;
    BOOL m_bFirmwarePresent = 0;
    LONG m_nFocusValue = 0;
    BOOL m_bViewCreated = 0;
    CSnapshotViewDlg m_wndSnapshotView;
    // Bound of the connect's wait for the camera to report ready; tests shorten it.
    int64_t m_nReadyTimeout_ms = kDeviceReadyTimeout_ms;
    // The title-bar menu's stand-in: window managers own the real one, so Close and the About
    // item live in the dialog's context menu.
    QMenu* m_pSystemMenu = nullptr;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    static CFocusApp& App();
    CCaptureDevice* Device() const;
    void ShowFocusValue(const DeviceStatus& status);
    void ShowPreviewControls(BOOL bRunning);
    void EndConnect(BOOL bShowMessage);
    void RestartPreview(CCaptureDevice& device);
    void EnsureSnapshotView();
    void ShowSnapshot(std::unique_ptr<BYTE[]> image, int width, int height);
};
