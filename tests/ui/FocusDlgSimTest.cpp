// The main dialog on the simulated camera through the real capture stand-in: the state table
// one transition at a time, commands 65/66, graph events, close, and both snapshot flows.
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QWidget>
#include <fstream>
#include <iterator>

#include "FocusDlgFixture.h"
#include "platform/dshow/DeviceRegistry.h"
#include "platform/dshow/StreamInterfaces.h"
#include "platform/win/WindowHandle.h"
#include "sim/SimCameraRegistration.h"

namespace {

class FocusDlgSimTest : public FocusDlgFixture {
protected:
    void SetUp() override {
        FocusDlgFixture::SetUp();
        RegisterDShowClasses();
    }
    void TearDown() override {
        if (m_cookie)
            UnregisterVideoInputDevice(m_cookie);
        FocusDlgFixture::TearDown();
        m_camera.reset();
    }

    void UseCamera(SimFirmwareConfig firmware = {}, SimVideoConfig video = {}) {
        if (firmware.startup_ms == SimFirmwareConfig{}.startup_ms)
            firmware.startup_ms = 0;
        video.bLensPanel = FALSE;
        m_camera = std::make_shared<CSimCamera>(SimCameraConfig{{}, firmware});
        m_cookie = RegisterSimulatedCamera(m_camera, video);
    }
    CSimFirmware::Counters Counters() const { return m_camera->Firmware().GetCounters(); }
    CCaptureDevice& Device() { return *app->m_pCaptureDevice; }

    // The controls as a row of the state table.
    struct Controls {
        bool newEnabled, startEnabled;
        std::string startText;
        bool snapshotEnabled, timerOn;
        friend bool operator==(const Controls&, const Controls&) = default;
        friend std::ostream& operator<<(std::ostream& os, const Controls& c) {
            return os << c.newEnabled << c.startEnabled << c.startText << c.snapshotEnabled
                      << c.timerOn;
        }
    };
    Controls Now() {
        return {dlg->m_btnNew.IsWindowEnabled() != 0, dlg->m_btnStartStop.IsWindowEnabled() != 0,
                dlg->m_btnStartStop.GetWindowText(), dlg->m_btnSnapshot.IsWindowEnabled() != 0,
                FocusTimerRunning()};
    }
    static Controls NoCamera() { return {true, false, "Start", false, false}; }
    static Controls ConnectedIdle() { return {true, true, "Start", false, false}; }
    static Controls Previewing() { return {false, true, "Stop", true, true}; }

    std::string Status() { return dlg->m_stcStatus.GetWindowText(); }

    template <class Pred>
    static bool SpinUntil(Pred done, int limit_ms = 5000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < limit_ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done();
    }
    void Notify(LONG code) {
        ComPtr<IMediaEventSink> sink;
        ASSERT_EQ(Device().m_pMediaEvent.As(sink), S_OK);
        sink->Notify(code, 0, 0);
        QCoreApplication::processEvents();  // the posted WM_USER + 1
    }

private:
    std::shared_ptr<CSimCamera> m_camera;
    DWORD m_cookie = 0;
};

TEST_F(FocusDlgSimTest, StateTableFromInitialisationThroughStartAndStop) {
    UseCamera();
    EXPECT_EQ(Now(), NoCamera());
    EXPECT_EQ(dlg->windowTitle().toStdString(), "PXV58RL_V2.0.4.1 Nitidor");
    EXPECT_EQ(Status(), "");

    Press(IDC_NEW);
    EXPECT_EQ(Now(), ConnectedIdle());
    EXPECT_EQ(Status(), "");
    EXPECT_TRUE(dlg->m_bConnected);
    EXPECT_TRUE(boxes.empty());

    Press(IDC_STARTSTOP);
    EXPECT_EQ(Now(), Previewing());
    EXPECT_EQ(GetTimerPeriod(Hwnd(), kFocusTimerId), kFocusTimerPeriod_ms);
    EXPECT_EQ(Counters().lastCommand, 65u);
    EXPECT_EQ(Counters().commands, 1u);
    EXPECT_EQ(dlg->m_bResumePreview, 1);

    // The firmware reports while video streams; the timer shows it.
    ASSERT_TRUE(SpinUntil([&] { return !dlg->m_stcFocus.GetWindowText().empty(); }));
    const std::string figure = dlg->m_stcFocus.GetWindowText();

    Press(IDC_STARTSTOP);
    EXPECT_EQ(Now(), ConnectedIdle());
    EXPECT_EQ(Counters().lastCommand, 66u);
    EXPECT_EQ(Counters().commands, 2u);
    EXPECT_EQ(Status(), "");
    EXPECT_FALSE(Device().m_bRunning);
    EXPECT_EQ(dlg->m_bResumePreview, 0);
    EXPECT_FALSE(dlg->m_stcFocus.GetWindowText().empty());  // the last figure stays
}

TEST_F(FocusDlgSimTest, FullPreviewBoxDecidesAtEachPress) {
    UseCamera();
    Press(IDC_NEW);
    SetCheck(IDC_FULLPREVIEW, true);
    Press(IDC_STARTSTOP);
    EXPECT_EQ(Counters().commands, 0u);
    SetCheck(IDC_FULLPREVIEW, false);
    Press(IDC_STARTSTOP);
    EXPECT_EQ(Counters().commands, 1u);
    EXPECT_EQ(Counters().lastCommand, 66u);

    Press(IDC_STARTSTOP);
    EXPECT_EQ(Counters().commands, 2u);
    EXPECT_EQ(Counters().lastCommand, 65u);
    SetCheck(IDC_FULLPREVIEW, true);
    Press(IDC_STARTSTOP);  // 65 is left without its 66
    EXPECT_EQ(Counters().commands, 2u);
    EXPECT_EQ(Now(), ConnectedIdle());
}

TEST_F(FocusDlgSimTest, CloseWhilePreviewingReleasesSavesAndDestroysTheView) {
    UseCamera();
    Press(IDC_NEW);
    Press(IDC_STARTSTOP);
    SetCheck(IDC_RAWDATA, true);
    Press(IDC_SNAPSHOT);
    ASSERT_TRUE(dlg->m_bViewCreated);
    const uint64_t commands = Counters().commands;

    dlg->DestroyWindow();
    EXPECT_FALSE(Device().m_bRunning);
    EXPECT_FALSE(Device().m_pFilterGraph);
    EXPECT_FALSE(Device().m_pMediaEvent);
    EXPECT_FALSE(dlg->m_bConnected);
    EXPECT_FALSE(FocusTimerRunning());
    EXPECT_FALSE(dlg->m_bViewCreated);
    EXPECT_FALSE(dlg->m_wndSnapshotView.IsCreated());
    EXPECT_EQ(Counters().commands, commands);  // no 66 on the way out

    std::ifstream file(RegistryFile());
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find("\"EnhanceJPEG\"=dword:00000000"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Cap10Bpp\"=dword:00000000"), std::string::npos) << text;
}

TEST_F(FocusDlgSimTest, SecondNewBuildsEverythingAfreshAndClosesTheLeftoverRenderer) {
    UseCamera();
    Press(IDC_NEW);
    CCaptureDevice* first = &Device();
    dlg->m_stcFocus.SetWindowText("123");
    auto* leftover = new QWidget;
    leftover->setWindowTitle("ActiveMovie Window");
    QPointer<QWidget> watch(leftover);

    Press(IDC_NEW);
    EXPECT_TRUE(watch.isNull());
    EXPECT_NE(&Device(), first);
    EXPECT_EQ(dlg->m_stcFocus.GetWindowText(), "");
    EXPECT_EQ(Now(), ConnectedIdle());
    EXPECT_TRUE(dlg->m_bConnected);
    EXPECT_TRUE(Device().m_pFilterGraph);
}

TEST_F(FocusDlgSimTest, NoFirmwareStopsTheConnectWithoutAMessage) {
    SimFirmwareConfig firmware;
    firmware.bFirmwarePresent = FALSE;
    UseCamera(firmware);
    Press(IDC_NEW);
    EXPECT_EQ(Status(), "No Firmware...");
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(dlg->m_bConnected);
    EXPECT_EQ(Now(), NoCamera());
    EXPECT_FALSE(Device().m_pFilterGraph);
}

TEST_F(FocusDlgSimTest, CameraThatNeverBecomesReadyIsReleasedAfterTheBound) {
    SimFirmwareConfig firmware;
    firmware.startup_ms = 3'600'000;
    UseCamera(firmware);
    dlg->m_nReadyTimeout_ms = 30;
    Press(IDC_NEW);
    EXPECT_EQ(CountBoxes(IDP_DEVICE_INIT_FAILED, MB_OK | MB_ICONEXCLAMATION), 1);
    EXPECT_EQ(Status(), "");
    EXPECT_FALSE(dlg->m_bConnected);
    EXPECT_FALSE(Device().m_pFilterGraph);
    EXPECT_EQ(Now(), NoCamera());
}

TEST_F(FocusDlgSimTest, NoLoadFirmwareFlagGoesOnWithoutFirmware) {
    SimFirmwareConfig firmware;
    firmware.bFirmwarePresent = FALSE;
    UseCamera(firmware);
    app->m_bNoLoadFirmware = TRUE;
    Press(IDC_NEW);
    EXPECT_EQ(Now(), ConnectedIdle());
    EXPECT_EQ(Status(), "");
}

TEST_F(FocusDlgSimTest, AbortEventsWhileNotRunningOnlyFreeTheirParameters) {
    UseCamera();
    Press(IDC_NEW);
    Press(IDC_STARTSTOP);
    Press(IDC_STARTSTOP);
    ASSERT_TRUE(Device().m_pMediaEvent);
    const uint64_t commands = Counters().commands;
    Notify(EC_USERABORT);
    Notify(EC_ERRORABORT);
    Notify(EC_COMPLETE);
    EXPECT_EQ(Now(), ConnectedIdle());
    EXPECT_TRUE(dlg->m_bConnected);
    EXPECT_TRUE(Device().m_pMediaEvent);
    EXPECT_EQ(Counters().commands, commands);
}

TEST_F(FocusDlgSimTest, UserAbortStopsLikeStopButKeepsSnapshotAndResume) {
    UseCamera();
    Press(IDC_NEW);
    Press(IDC_STARTSTOP);
    Notify(EC_USERABORT);
    EXPECT_EQ(Now(), (Controls{true, true, "Start", true, false}));
    EXPECT_FALSE(Device().m_bRunning);
    EXPECT_EQ(Counters().lastCommand, 66u);
    EXPECT_EQ(dlg->m_bResumePreview, 1);
}

TEST_F(FocusDlgSimTest, ClosingTheRendererWindowReachesTheDialogAsAPostedEvent) {
    UseCamera();
    Press(IDC_NEW);
    Press(IDC_STARTSTOP);
    QWidget* renderer = WidgetFromHwnd(FindWindow(nullptr, "ActiveMovie Window"));
    ASSERT_NE(renderer, nullptr);
    renderer->close();
    EXPECT_TRUE(SpinUntil([&] { return !Device().m_bRunning; }));
    EXPECT_FALSE(FocusTimerRunning());
    EXPECT_EQ(dlg->m_btnStartStop.GetWindowText(), "Start");
}

TEST_F(FocusDlgSimTest, ErrorAbortReleasesTheCameraAndTheNextNewResumes) {
    UseCamera();
    Press(IDC_NEW);
    Press(IDC_STARTSTOP);
    const uint64_t commands = Counters().commands;
    Notify(EC_ERRORABORT);
    EXPECT_EQ(Now(), NoCamera());
    EXPECT_FALSE(dlg->m_bConnected);
    EXPECT_FALSE(Device().m_pMediaEvent);
    EXPECT_EQ(Counters().commands, commands);
    EXPECT_TRUE(boxes.empty());

    // m_bResumePreview survived: the preview runs again while the controls say idle.
    Press(IDC_NEW);
    EXPECT_TRUE(Device().m_bRunning);
    EXPECT_EQ(Now(), ConnectedIdle());
}

TEST_F(FocusDlgSimTest, JpegAndRawSnapshotsAreShownAndThePreviewResumes) {
    UseCamera();
    Press(IDC_NEW);
    Press(IDC_STARTSTOP);
    Press(IDC_SNAPSHOT);
    ASSERT_TRUE(dlg->m_bViewCreated);
    // Entry 0 of the simulator's table is its full sensor, and only that size decodes.
    EXPECT_EQ(dlg->m_wndSnapshotView.m_bmih.biWidth, 2592);
    EXPECT_EQ(dlg->m_wndSnapshotView.m_bmih.biHeight, 1944);
    EXPECT_FALSE(dlg->m_wndSnapshotView.isHidden());
    EXPECT_TRUE(Device().m_bRunning);
    EXPECT_EQ(pauses, (std::vector<DWORD>{kSnapshotPause_ms}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(QFile::exists("Temp.jpg"));

    dlg->m_wndSnapshotView.hide();  // closed by the operator: the next snapshot shows it again
    const BYTE* first = dlg->m_wndSnapshotView.m_pImage.get();
    SetCheck(IDC_RAWDATA, true);
    Press(IDC_SNAPSHOT);
    EXPECT_FALSE(dlg->m_wndSnapshotView.isHidden());
    EXPECT_NE(dlg->m_wndSnapshotView.m_pImage.get(), first);
    EXPECT_EQ(dlg->m_wndSnapshotView.m_bmih.biWidth, 2592);
    EXPECT_TRUE(Device().m_bRunning);
    EXPECT_EQ(pauses.size(), 2u);
    EXPECT_EQ(Now(), Previewing());  // the flows touch no control
}

}  // namespace
