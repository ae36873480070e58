// The application object, its accessor, the framework's OLE initialisation, message boxes and
// the sleep hook.
#include <gtest/gtest.h>

#include <vector>

#include "platform/com/ComRuntime.h"
#include "platform/win/MessageBox.h"
#include "platform/win/ModuleName.h"
#include "platform/win/Sleep.h"
#include "platform/win/WinApp.h"

TEST(WinApp, AccessorFollowsTheLivingObjectAndNameDefaultsToTheExecutable) {
    EXPECT_EQ(AfxGetApp(), nullptr);
    {
        CWinApp app;
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_EQ(app.m_pszAppName, "win_tests");
        EXPECT_EQ(GetModuleBaseName(), "win_tests");
        app.SetRegistryKey("Nitidor");
        EXPECT_EQ(app.m_pszRegistryKey, "Nitidor");
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
    CWinApp named("Other");
    EXPECT_EQ(named.m_pszAppName, "Other");
}

TEST(WinApp, FrameworkUndoesOnlyItsOwnComInitialisation) {
    EXPECT_FALSE(AfxOleInit());  // no application object yet
    CWinApp app;
    const int depth = CoInitializeDepth();
    ASSERT_TRUE(AfxOleInit());
    CoInitialize(nullptr);  // the application's own, undone by the application
    EXPECT_EQ(CoInitializeDepth(), depth + 2);
    app.ExitInstance();
    EXPECT_EQ(CoInitializeDepth(), depth + 1);
    app.ExitInstance();  // a second exit must not undo it again
    EXPECT_EQ(CoInitializeDepth(), depth + 1);
    CoUninitialize();
}

TEST(MessageBox, FrameworkBoxCarriesAppNameAndDefaultIcon) {
    std::vector<MessageBoxCall> calls;
    auto previous = SetMessageBoxHook([&](const MessageBoxCall& c) {
        calls.push_back(c);
        return IDOK;
    });
    {
        CWinApp app("caption");
        EXPECT_EQ(AfxMessageBox("plain"), IDOK);
        AfxMessageBox("stop", MB_OK | MB_ICONSTOP);
    }
    AfxMessageBox("no app");
    SetMessageBoxHook(previous);

    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].text, "plain");
    EXPECT_EQ(calls[0].caption, "caption");
    EXPECT_EQ(calls[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(calls[1].type, MB_OK | MB_ICONSTOP);  // a named icon is kept
    EXPECT_EQ(calls[2].caption, "win_tests");
}

TEST(Sleep, HookReceivesTheDurationAndIsRestored) {
    std::vector<DWORD> pauses;
    auto previous = SetSleepHook([&](DWORD ms) { pauses.push_back(ms); });
    Sleep(1000);
    Sleep(10);
    SleepHook mine = SetSleepHook(previous);
    EXPECT_TRUE(static_cast<bool>(mine));
    EXPECT_EQ(pauses, (std::vector<DWORD>{1000, 10}));
    Sleep(1);  // real sleep again, not recorded
    EXPECT_EQ(pauses.size(), 2u);
}
