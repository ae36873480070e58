// The framework's OLE initialisation.
#include <gtest/gtest.h>

#include "platform/com/ComRuntime.h"
#include "platform/mfc/WinApp.h"

namespace {

TEST(WinAppTest, FrameworkUndoesOnlyItsOwnComInitialisationAndOnlyOnce) {
    EXPECT_FALSE(AfxOleInit());  // no application object yet
    CWinApp app;
    const int depth = CoInitializeDepth();
    ASSERT_TRUE(AfxOleInit());
    CoInitialize(nullptr);  // the application's own, undone by the application
    EXPECT_EQ(CoInitializeDepth(), depth + 2);
    app.ExitInstance();
    EXPECT_EQ(CoInitializeDepth(), depth + 1);
    app.ExitInstance();
    EXPECT_EQ(CoInitializeDepth(), depth + 1);
    CoUninitialize();
}

}  // namespace
