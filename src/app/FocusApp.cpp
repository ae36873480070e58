#include "app/FocusApp.h"

#include <new>

#include "app/InstanceChannel.h"
#include "app/Registration.h"
#include "platform/com/ComRuntime.h"
#include "platform/log/Log.h"
#include "platform/mfc/MessageBox.h"
#include "platform/registry/RegistryFlag.h"
#include "ui/DialogTemplates.h"
#include "ui/FocusDlg.h"
#include "ui/UiLog.h"

CFocusApp::CFocusApp() {
    // The dialogs' templates and the icon are the operator console's.
    AfxSetResourceHandle(&UiResources());
}

CFocusApp::~CFocusApp() = default;

BOOL CFocusApp::InitInstance() {
    m_hMutex = CreateMutex(nullptr, TRUE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        LogInfo(kLogUi, "another copy runs (mutex \"%s\" exists): leaving", kInstanceMutexName);
        // Another copy runs: the dialog leaves silently, bringing that copy's dialog to the
        // front; the command line says why it ends.
        if (m_pCommandLine)
            m_nExitCode = m_pCommandLine->Fail(kExitAnotherCopy, "another copy is running");
        else
            CInstanceChannel::AskToRaise(CInstanceChannel::SocketPath(kInstanceMutexName),
                                         kRaiseRequestWait_ms);
        return FALSE;
    }

    SetRegistryKey(kRegistryKeyName);
    if (!AfxOleInit()) {
        if (m_pCommandLine) {
            m_nExitCode = m_pCommandLine->Fail(kExitFailed, "OLE initialization failed");
        } else {
            LogInfo(kLogUi, "message box: OLE initialization failed; leaving");
            AfxMessageBox("OLE initialization failed", MB_OK);
        }
        return FALSE;
    }
    // Control containment and the three-dimensional look are what Qt widgets do anyway.

    if (m_pCommandLine) {
        PrepareSession();
        m_nExitCode = Profile() ? m_pCommandLine->Run(m_session)
                                : m_pCommandLine->Fail(kExitFailed, "out of memory");
        return FALSE;
    }
    CFocusDlg dlg(m_session);
    m_pMainWnd = &dlg;
    for (QAction* toggle : CameraWindowToggles(&dlg))
        dlg.AddWindowToggle(toggle);
    CInstanceChannel channel;
    if (m_hMutex)  // only the mutex's owner may replace a socket file left behind
        channel.Listen(CInstanceChannel::SocketPath(kInstanceMutexName),
                       [this] { BringToFront(m_pMainWnd); });
    PrepareSession();
    // The dialog and its flows rely on the profile: without one there is nothing to run.
    if (Profile())
        dlg.DoModal();
    else
        LogWarning(kLogUi, "no memory for the device profile: the dialog does not open");
    m_pMainWnd = nullptr;
    return FALSE;
}

void CFocusApp::PrepareSession() {
    ReadSettings();
    CoInitialize(nullptr);
    m_bComInitialized = TRUE;
    m_session.SetNoLoadFirmware(m_bNoLoadFirmware);
    m_session.Prepare();
}

int CFocusApp::ExitInstance() {
    m_session.Finish();
    if (m_bComInitialized) {
        CoUninitialize();
        m_bComInitialized = FALSE;
    }
    if (m_hMutex) {
        CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
    const int code = CWinApp::ExitInstance();
    return m_pCommandLine ? m_nExitCode : code;
}

BOOL CFocusApp::ReadSettings() {
    m_bNoLoadFirmware = 0;
    m_bDetectDramImage = 1;
    m_bNoDeviceCommand = 0;

    HKEY key = nullptr;
    DWORD disposition = 0;
    const LSTATUS status =
        RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (status != ERROR_SUCCESS) {
        LogWarning(kLogUi, "start-up settings not read (0x%08X): the defaults stand",
                   LogStatus(status));
        return 0;
    }
    QueryRegistryFlag(key, "NoLoadFirmware", m_bNoLoadFirmware);
    QueryRegistryFlag(key, "DetectDramImage", m_bDetectDramImage);
    QueryRegistryFlag(key, "NoDeviceCommand", m_bNoDeviceCommand);
    RegCloseKey(key);
    return 1;
}
