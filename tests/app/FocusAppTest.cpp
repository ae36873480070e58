// The application object's start-up pieces: the three flags from the registry, and the
// single-instance guard against another process.
#include <signal.h>
#include <sys/wait.h>

#include "AppTestEnv.h"
#include "app/FocusApp.h"
#include "platform/com/ComRuntime.h"

namespace {

using FocusAppSettingsTest = AppTestEnv;

TEST_F(FocusAppSettingsTest, WithoutTheKeyDefaultsStandAndTheKeyIsCreatedEmpty) {
    CFocusApp app;
    EXPECT_TRUE(app.ReadSettings());
    EXPECT_EQ(app.m_bNoLoadFirmware, 0);
    EXPECT_EQ(app.m_bDetectDramImage, 1);
    EXPECT_EQ(app.m_bNoDeviceCommand, 0);
    const std::string text = ReadRegistry();
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]"), std::string::npos);
    EXPECT_EQ(text.find('='), std::string::npos) << text;  // no value written
}

TEST_F(FocusAppSettingsTest, AnyNonzeroValueIsOnAndAValueTooLongKeepsTheDefault) {
    WriteRegistry(
        "\"NoLoadFirmware\"=dword:00000002\r\n"
        "\"DetectDramImage\"=dword:00000000\r\n"
        "\"NoDeviceCommand\"=\"a text longer than four bytes\"\r\n");
    CFocusApp app;
    app.m_bNoDeviceCommand = 5;  // ReadSettings resets it to the default first
    EXPECT_TRUE(app.ReadSettings());
    EXPECT_EQ(app.m_bNoLoadFirmware, 1);
    EXPECT_EQ(app.m_bDetectDramImage, 0);
    EXPECT_EQ(app.m_bNoDeviceCommand, 0);
}

TEST_F(FocusAppSettingsTest, UnreadableSettingsLeaveTheDefaults) {
    std::ofstream(RegistryFile()) << "not a registry file\n";
    CFocusApp app;
    app.m_bNoLoadFirmware = 1;
    EXPECT_FALSE(app.ReadSettings());
    EXPECT_EQ(app.m_bNoLoadFirmware, 0);
    EXPECT_EQ(app.m_bDetectDramImage, 1);
    EXPECT_EQ(ReadRegistry(), "not a registry file\n");  // never overwritten
}

using FocusAppInstanceTest = AppTestEnv;

TEST_F(FocusAppInstanceTest, SecondCopyEndsAtOnceAndSilently) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        HANDLE h = CreateMutex(nullptr, TRUE, kInstanceMutexName);
        const char ok = h && GetLastError() == 0 ? 'y' : 'n';
        (void)!write(ready[1], &ok, 1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');

    const int depth = CoInitializeDepth();
    CFocusApp app;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_FALSE(app.m_pProfile);
    EXPECT_FALSE(app.m_bComInitialized);
    EXPECT_EQ(CoInitializeDepth(), depth);
    EXPECT_TRUE(app.m_pszRegistryKey.empty());
    app.ExitInstance();
    EXPECT_EQ(app.m_hMutex, nullptr);

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]);
    close(ready[1]);

    // The dead holder's mutex is gone: this process now owns it.
    HANDLE mine = CreateMutex(nullptr, TRUE, kInstanceMutexName);
    EXPECT_EQ(GetLastError(), 0u);
    CloseHandle(mine);
}

}  // namespace
