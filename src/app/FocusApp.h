// CFocusApp: the application object. It guards against a second running copy, reads the
// start-up flags, owns the device profile and the current capture device, and runs the main
// dialog modally; the dialog reaches it through AfxGetApp.
#pragma once

#include <memory>

#include "capture/CaptureDevice.h"
#include "device/DeviceProfile.h"
#include "platform/mfc/WinApp.h"
#include "platform/win/NamedMutex.h"

// Name of the single-instance mutex every copy of the utility tries to create.
inline constexpr const char kInstanceMutexName[] = "TaloCap";
// Key of the utility's settings below HKEY_LOCAL_MACHINE.
inline constexpr const char kSettingsKey[] = "SOFTWARE\\PXV58R";

class CFocusApp : public CWinApp {
public:
    CFocusApp();
    ~CFocusApp() override;

    // Always FALSE: the modal dialog is the whole run, then the framework goes to ExitInstance.
    BOOL InitInstance() override;
    int ExitInstance() override;
    // The three start-up flags; 0 when the settings key cannot be opened (defaults stand).
    BOOL ReadSettings();

    HANDLE m_hMutex = nullptr;
    std::unique_ptr<CCaptureDevice> m_pCaptureDevice;
    std::unique_ptr<CDeviceProfile> m_pProfile;
    BOOL m_bComInitialized = FALSE;
    BOOL m_bNoLoadFirmware = FALSE;
    BOOL m_bDetectDramImage = FALSE;
    BOOL m_bNoDeviceCommand = FALSE;
};

// The running application object; the main dialog and its flows reach the device through it.
inline CFocusApp* GetFocusApp() {
    return static_cast<CFocusApp*>(AfxGetApp());
}
