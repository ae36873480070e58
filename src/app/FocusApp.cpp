#include "app/FocusApp.h"

#include <new>

#include "platform/com/ComRuntime.h"
#include "platform/mfc/MessageBox.h"
#include "platform/registry/Registry.h"
#include "ui/DialogTemplates.h"
#include "ui/FocusDlg.h"

namespace {
// A registry boolean: any value of up to 4 bytes, nonzero meaning on; an absent value or one
// that does not fit leaves the flag as it was.
void QueryFlag(HKEY key, const char* name, BOOL& flag) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
        ERROR_SUCCESS)
        flag = value != 0 ? 1 : 0;
}
}  // namespace

CFocusApp::CFocusApp() {
    // The dialogs' templates and the icon are the operator console's.
    AfxSetResourceHandle(&UiResources());
}

CFocusApp::~CFocusApp() = default;

BOOL CFocusApp::InitInstance() {
    m_hMutex = CreateMutex(nullptr, TRUE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return FALSE;  // another copy runs: leave silently

    SetRegistryKey("Nitidor");
    if (!AfxOleInit()) {
        AfxMessageBox("OLE initialization failed", MB_OK);
        return FALSE;
    }
    // Control containment and the three-dimensional look are what Qt widgets do anyway.

    CFocusDlg dlg;
    m_pMainWnd = &dlg;
    ReadSettings();
    CoInitialize(nullptr);
    m_bComInitialized = TRUE;
    m_pCaptureDevice.reset();
    m_pProfile.reset(new (std::nothrow) CDeviceProfile);
    // The dialog and its flows rely on the profile: without one there is nothing to run.
    if (m_pProfile)
        dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

int CFocusApp::ExitInstance() {
    m_pCaptureDevice.reset();
    m_pProfile.reset();
    if (m_bComInitialized) {
        CoUninitialize();
        m_bComInitialized = FALSE;
    }
    if (m_hMutex) {
        CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
    return CWinApp::ExitInstance();
}

BOOL CFocusApp::ReadSettings() {
    m_bNoLoadFirmware = 0;
    m_bDetectDramImage = 1;
    m_bNoDeviceCommand = 0;

    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS)
        return 0;
    QueryFlag(key, "NoLoadFirmware", m_bNoLoadFirmware);
    QueryFlag(key, "DetectDramImage", m_bDetectDramImage);
    QueryFlag(key, "NoDeviceCommand", m_bNoDeviceCommand);
    RegCloseKey(key);
    return 1;
}
