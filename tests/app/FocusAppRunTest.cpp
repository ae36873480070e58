// The whole application, start-up to shutdown, on the simulated camera: New, Start, a focus
// figure, a JPEG and a raw snapshot, Exit; then what the registry file holds.
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QTimer>

#include "AppTestEnv.h"
#include "app/FocusApp.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/DeviceRegistry.h"
#include "sim/SimCameraRegistration.h"
#include "ui/FocusDlg.h"
#include "ui/Resource.h"

namespace {

class FocusAppRunTest : public AppTestEnv {
protected:
    void SetUp() override {
        AppTestEnv::SetUp();
        RegisterDShowClasses();
        SimCameraConfig config;
        config.firmware.startup_ms = 0;
        SimVideoConfig video;
        video.bLensPanel = FALSE;
        m_cookie = RegisterSimulatedCamera(config, video);
        m_liveAtStart = ComLiveObjectCount();
        m_depthAtStart = CoInitializeDepth();
    }
    void TearDown() override {
        UnregisterVideoInputDevice(m_cookie);
        AppTestEnv::TearDown();
    }

    static void Click(QWidget* w) { static_cast<QAbstractButton*>(w)->click(); }

    long m_liveAtStart = 0;
    int m_depthAtStart = 0;

private:
    DWORD m_cookie = 0;
};

TEST_F(FocusAppRunTest, OperatorsRoadFromStartToExit) {
    WriteRegistry("\"EnhanceJPEG\"=dword:00000007\r\n\"Keep\"=\"me\"\r\n");
    CFocusApp app;
    std::string figure;
    int snapshotsShown = 0;
    QTimer::singleShot(0, [&] {
        auto* dlg = static_cast<CFocusDlg*>(app.m_pMainWnd);
        ASSERT_NE(dlg, nullptr);
        Click(dlg->GetDlgItem(IDC_NEW));
        Click(dlg->GetDlgItem(IDC_STARTSTOP));
        QElapsedTimer clock;
        clock.start();
        while (dlg->m_stcFocus.GetWindowText().empty() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        figure = dlg->m_stcFocus.GetWindowText();
        Click(dlg->GetDlgItem(IDC_SNAPSHOT));
        snapshotsShown += dlg->m_wndSnapshotView.isVisible();
        Click(dlg->GetDlgItem(IDC_RAWDATA));
        Click(dlg->GetDlgItem(IDC_SNAPSHOT));
        snapshotsShown += dlg->m_wndSnapshotView.isVisible();
        Click(dlg->GetDlgItem(IDCANCEL));
    });
    EXPECT_EQ(app.Run(), 0);

    EXPECT_FALSE(figure.empty());
    EXPECT_EQ(snapshotsShown, 2);
    EXPECT_EQ(pauses, (std::vector<DWORD>{kSnapshotPause_ms, kSnapshotPause_ms}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_FALSE(app.m_pCaptureDevice);
    EXPECT_FALSE(app.m_pProfile);
    EXPECT_EQ(app.m_hMutex, nullptr);
    EXPECT_EQ(app.m_pszRegistryKey, "Nitidor");
    EXPECT_EQ(CoInitializeDepth(), m_depthAtStart);
    EXPECT_EQ(ComLiveObjectCount(), m_liveAtStart);

    const std::string text = ReadRegistry();
    EXPECT_NE(text.find("\"EnhanceJPEG\"=dword:00000001"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Cap10Bpp\"=dword:00000000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Keep\"=\"me\""), std::string::npos) << text;
}

TEST_F(FocusAppRunTest, ClosingWithoutNewWritesBothFlagsAsZero) {
    CFocusApp app;
    QTimer::singleShot(0, [&] {
        auto* dlg = static_cast<CFocusDlg*>(app.m_pMainWnd);
        ASSERT_NE(dlg, nullptr);
        dlg->SendMessage(WM_COMMAND, IDCANCEL, 0);  // Escape and Exit send this
    });
    app.Run();
    const std::string text = ReadRegistry();
    EXPECT_NE(text.find("\"EnhanceJPEG\"=dword:00000000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Cap10Bpp\"=dword:00000000"), std::string::npos) << text;
    EXPECT_EQ(text.find("NoLoadFirmware"), std::string::npos);  // start-up writes nothing
    EXPECT_EQ(ComLiveObjectCount(), m_liveAtStart);
}

}  // namespace
