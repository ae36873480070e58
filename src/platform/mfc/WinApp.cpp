#include "platform/mfc/WinApp.h"

#include <QApplication>

#include "platform/com/ComRuntime.h"
#include "platform/mfc/WindowHandle.h"
#include "platform/win/ModuleName.h"

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp(const char* pszAppName)
    : m_pszAppName(pszAppName ? pszAppName : GetModuleBaseName()) {
    g_pApp = this;
    InstallWindowSystem();
}

CWinApp::~CWinApp() {
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    if (m_bOleInitialized) {
        CoUninitialize();
        m_bOleInitialized = FALSE;
    }
    return 0;
}

int CWinApp::Run() {
    if (!InitInstance())
        return ExitInstance();
    const int code = QApplication::exec();
    ExitInstance();
    return code;
}

void CWinApp::SetRegistryKey(const char* pszRegistryKey) {
    m_pszRegistryKey = pszRegistryKey;
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

BOOL AfxOleInit() {
    CWinApp* app = AfxGetApp();
    if (!app || FAILED(CoInitialize(nullptr)))
        return FALSE;
    app->m_bOleInitialized = TRUE;
    return TRUE;
}
