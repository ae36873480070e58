// CFocusApp: the application object. It guards against a second running copy, reads the
// start-up flags, and runs the main dialog modally on the camera session, which owns the
// current capture device and the device profile, or a run from the command line in its place.
#pragma once

#include <memory>

#include "app/CommandLineRun.h"
#include "capture/CaptureDevice.h"
#include "device/DeviceProfile.h"
#include "platform/mfc/WinApp.h"
#include "platform/win/NamedMutex.h"
#include "product/Product.h"
#include "session/CameraSession.h"

class CFocusApp : public CWinApp {
public:
    CFocusApp();
    ~CFocusApp() override;

    // Always FALSE: the modal dialog is the whole run, then the framework goes to ExitInstance.
    BOOL InitInstance() override;
    // The framework's exit code, or the command line's when it ran.
    int ExitInstance() override;
    // The three start-up flags; 0 when the settings key cannot be opened (defaults stand).
    BOOL ReadSettings();

    // The current capture device (none until a "New") and the device profile (from start-up
    // to exit), as the session holds them.
    CCaptureDevice* CaptureDevice() const { return m_session.Device(); }
    CDeviceProfile* Profile() const { return m_session.Profile(); }

    HANDLE m_hMutex = nullptr;
    BOOL m_bComInitialized = FALSE;
    BOOL m_bNoLoadFirmware = FALSE;
    BOOL m_bDetectDramImage = FALSE;
    BOOL m_bNoDeviceCommand = FALSE;
    // The operator's sequences on the camera, lent to the main dialog.
    CCameraSession m_session;
    // Set before Run when the program was given arguments: it runs instead of the dialog.
    std::unique_ptr<CCommandLineRun> m_pCommandLine;
    int m_nExitCode = kExitDone;

private:
    // Settings, COM and the profile, which the dialog and the command line both need.
    void PrepareSession();
};
