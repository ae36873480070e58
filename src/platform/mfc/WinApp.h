// CWinApp: the application object of the dialog framework. One instance exists at a time
// (usually static); AfxGetApp reaches it from anywhere on the user-interface thread.
#pragma once

#include <string>

#include "platform/com/Types.h"

class QWidget;

class CWinApp {
public:
    // Without a name the application takes the executable's file name without extension.
    explicit CWinApp(const char* pszAppName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // Nonzero to enter the message loop; zero to go straight to ExitInstance.
    virtual BOOL InitInstance();
    // Undoes what the framework itself set up (its OLE initialisation) and returns the exit code.
    virtual int ExitInstance();

    // The framework's run: InitInstance, the event loop only if it returned nonzero, then
    // ExitInstance. A QApplication must exist.
    int Run();

    // The per-user key name under which the framework would keep its settings.
    void SetRegistryKey(const char* pszRegistryKey);

    std::string m_pszAppName;
    std::string m_pszRegistryKey;  // set at start-up as the framework's is; nothing reads it
    QWidget* m_pMainWnd = nullptr;
    // The framework initialised COM for OLE and undoes it in ExitInstance.
    BOOL m_bOleInitialized = FALSE;
};

// The current application object, or null when none exists.
CWinApp* AfxGetApp();

// Initialises COM for the framework's OLE support on behalf of the current application.
BOOL AfxOleInit();
