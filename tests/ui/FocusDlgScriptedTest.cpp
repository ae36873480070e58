// The main dialog against a scripted camera that is not part of any graph: the focus
// read-out byte for byte, the snapshot flows' requests, failure rows and buffer hand-overs.
#include <QCheckBox>
#include <QCoreApplication>

#include "FocusDlgFixture.h"
#include "fakes/ScriptedCamera.h"
#include "platform/win/WindowHandle.h"

namespace {

class FocusDlgScriptedTest : public FocusDlgFixture {
protected:
    void SetUp() override {
        FocusDlgFixture::SetUp();
        camera = std::make_unique<ScriptedCamera>();
        app->m_pCaptureDevice = std::make_unique<CCaptureDevice>();
        device().m_pCameraFilter = ComPtr<IBaseFilter>(camera->filter.Get());
    }
    void TearDown() override {
        app->m_pCaptureDevice.reset();
        camera.reset();
        FocusDlgFixture::TearDown();
    }

    CCaptureDevice& device() { return *app->m_pCaptureDevice; }
    std::string FocusText() { return dlg->m_stcFocus.GetWindowText(); }
    size_t StatusReads() {
        size_t n = 0;
        for (const auto& call : camera->filter->Calls(CFakePropertySet::Kind::Get))
            n += call.id == VENDOR_PROPERTY_STATUS;
        return n;
    }
    // Entry 0 of the profile's resolution table, as a connect would have read it.
    void SetStillSize(WORD width, WORD height) {
        auto& bytes = app->m_pProfile->m_resolutionTable.bytes;
        bytes[2] = 1;
        bytes[4] = width & 0xFF;
        bytes[5] = width >> 8;
        bytes[6] = height & 0xFF;
        bytes[7] = height >> 8;
    }
    // A raw still: 20-byte header (big-endian height at 10, width at 12, phase at 17).
    static std::vector<BYTE> RawStill(int width, int height, int phase) {
        std::vector<BYTE> still(20 + static_cast<size_t>(width) * height, 0x80);
        std::fill(still.begin(), still.begin() + 20, 0);
        still[10] = static_cast<BYTE>(height >> 8);
        still[11] = static_cast<BYTE>(height);
        still[12] = static_cast<BYTE>(width >> 8);
        still[13] = static_cast<BYTE>(width);
        still[17] = static_cast<BYTE>(phase);
        return still;
    }

    std::unique_ptr<ScriptedCamera> camera;
};

TEST_F(FocusDlgScriptedTest, FocusFigureIsShownAndTheRecordWrittenBackUnchanged) {
    struct Case {
        DWORD value;
        const char* text;
    };
    const Case cases[] = {{0x8000, "Overflow"},
                          {32767, "32767"},
                          {static_cast<DWORD>(-1234), "-1234"},
                          {0x18000, "98304"},  // only its low 16 bits look like the overflow
                          {0, "0"}};
    for (const Case& c : cases) {
        camera->record = DeviceStatus{0x1234, c.value, 0x0000'0101};
        const DeviceStatus posted = camera->record;
        dlg->OnTimer(kFocusTimerId);
        EXPECT_EQ(FocusText(), c.text);
        EXPECT_EQ(dlg->m_nFocusValue, static_cast<LONG>(c.value));
        ASSERT_FALSE(camera->statusWrites.empty());
        EXPECT_EQ(camera->statusWrites.back(), posted);  // every field as read
    }
    EXPECT_EQ(camera->statusWrites.size(), std::size(cases));
}

TEST_F(FocusDlgScriptedTest, RecordWithoutReadyBitOrFailedReadChangesNothing) {
    camera->PostFocus(42);
    dlg->OnTimer(kFocusTimerId);
    ASSERT_EQ(FocusText(), "42");

    camera->PostFocus(77, 0x0000'0100);  // bit 0 clear
    dlg->OnTimer(kFocusTimerId);
    EXPECT_EQ(FocusText(), "42");
    EXPECT_EQ(camera->statusWrites.size(), 1u);

    camera->PostFocus(78);
    camera->statusFails = TRUE;
    dlg->OnTimer(kFocusTimerId);
    EXPECT_EQ(FocusText(), "42");
    EXPECT_EQ(camera->statusWrites.size(), 1u);
}

TEST_F(FocusDlgScriptedTest, OnlyTimer100ReadsTheMailboxAndTicksArriveThroughTheMessageMap) {
    camera->PostFocus(5);
    dlg->OnTimer(7);
    dlg->OnTimer(101);
    EXPECT_EQ(StatusReads(), 0u);
    EXPECT_EQ(FocusText(), "");

    CWindowMessageEvent tick(WM_TIMER, kFocusTimerId, 0);
    QCoreApplication::sendEvent(dlg.get(), &tick);
    EXPECT_EQ(FocusText(), "5");
}

TEST_F(FocusDlgScriptedTest, JpegRequestCarriesMode3AndEntry0sSize) {
    SetStillSize(640, 480);
    camera->jpegStill.assign(1000, 0x55);  // not a JPEG stream: the decode fails
    Press(IDC_SNAPSHOT);

    ASSERT_EQ(camera->jpegRequests.size(), 1u);
    const std::vector<BYTE>& request = camera->jpegRequests[0];
    ASSERT_EQ(request.size(), 34u);
    EXPECT_EQ(std::vector<BYTE>(request.begin(), request.begin() + 8),
              (std::vector<BYTE>{3, 0, 0, 0, 0x80, 0x02, 0xE0, 0x01}));
    EXPECT_EQ(std::count(request.begin() + 8, request.end(), 0), 26);
    // Downloaded and acknowledged, not shown, and the preview restarts after the pause.
    EXPECT_EQ(camera->statusWrites.size(), 1u);
    EXPECT_TRUE(dlg->m_bViewCreated);
    EXPECT_EQ(pauses, (std::vector<DWORD>{kSnapshotPause_ms}));
    EXPECT_TRUE(device().m_bPreviewWanted);
}

TEST_F(FocusDlgScriptedTest, FailedRestartShowsMessage61207Twice) {
    SetStillSize(64, 48);
    camera->jpegStill.assign(100, 0x00);
    Press(IDC_SNAPSHOT);
    // The device has no graph: rendering fails, and Run is still tried and fails as well.
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(CountBoxes(IDP_DEVICE_ACCESS_FAILED, MB_OK | MB_ICONSTOP), 2);
    EXPECT_EQ(dlg->result(), 0);  // the dialog stays open
}

TEST_F(FocusDlgScriptedTest, RefusedRequestEndsAtOnceWithThePreviewStopped) {
    SetStillSize(64, 48);
    camera->refuseRequests = TRUE;
    device().m_bPreviewWanted = TRUE;
    Press(IDC_SNAPSHOT);
    SetCheck(IDC_RAWDATA, true);
    Press(IDC_SNAPSHOT);

    EXPECT_EQ(camera->jpegRequests.size(), 1u);
    EXPECT_EQ(camera->rawRequests.size(), 1u);
    EXPECT_TRUE(pauses.empty());
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(device().m_bPreviewWanted);
    EXPECT_EQ(StatusReads(), 0u);
    EXPECT_FALSE(dlg->m_bViewCreated);
}

TEST_F(FocusDlgScriptedTest, WithoutResolutionEntryNoJpegRequestIsSent) {
    Press(IDC_SNAPSHOT);
    EXPECT_TRUE(camera->jpegRequests.empty());
    EXPECT_TRUE(pauses.empty());
}

TEST_F(FocusDlgScriptedTest, RawDataBoxIsReadAtEachPress) {
    SetStillSize(64, 48);
    camera->refuseRequests = TRUE;  // keeps each press short
    SetCheck(IDC_RAWDATA, true);
    Press(IDC_SNAPSHOT);
    EXPECT_EQ(camera->rawRequests.size(), 1u);
    EXPECT_EQ(dlg->m_bRawData, 1);
    SetCheck(IDC_RAWDATA, false);
    Press(IDC_SNAPSHOT);
    EXPECT_EQ(camera->jpegRequests.size(), 1u);
    EXPECT_EQ(camera->rawRequests.size(), 1u);
    EXPECT_EQ(camera->rawRequests[0], (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST_F(FocusDlgScriptedTest, RawStillIsDevelopedAndHandedToTheView) {
    SetCheck(IDC_RAWDATA, true);
    camera->rawStill = RawStill(4, 4, 0);
    Press(IDC_SNAPSHOT);
    ASSERT_TRUE(dlg->m_bViewCreated);
    EXPECT_EQ(dlg->m_wndSnapshotView.m_bmih.biWidth, 4);
    EXPECT_EQ(dlg->m_wndSnapshotView.m_bmih.biHeight, 4);
    EXPECT_NE(dlg->m_wndSnapshotView.m_pImage, nullptr);
    EXPECT_FALSE(dlg->m_wndSnapshotView.isHidden());
    EXPECT_EQ(pauses.size(), 1u);
}

TEST_F(FocusDlgScriptedTest, RawStillOfTheWrongLengthIsDroppedAndThePreviewRestarted) {
    SetCheck(IDC_RAWDATA, true);
    camera->rawStill = RawStill(4, 4, 0);
    camera->announcedLength = 37;  // rounded to 40: not 4 x 4 + 20
    Press(IDC_SNAPSHOT);
    EXPECT_FALSE(dlg->m_bViewCreated);
    EXPECT_EQ(camera->statusWrites.size(), 1u);
    EXPECT_EQ(pauses.size(), 1u);
    EXPECT_TRUE(device().m_bPreviewWanted);
}

TEST_F(FocusDlgScriptedTest, FailedDownloadStillRestartsThePreview) {
    SetStillSize(64, 48);
    camera->jpegStill.assign(100, 0);
    camera->statusFails = TRUE;
    Press(IDC_SNAPSHOT);
    EXPECT_EQ(camera->jpegRequests.size(), 1u);
    EXPECT_FALSE(dlg->m_bViewCreated);
    EXPECT_EQ(pauses.size(), 1u);
    EXPECT_EQ(CountBoxes(IDP_DEVICE_ACCESS_FAILED, MB_OK | MB_ICONSTOP), 2);
}

}  // namespace

namespace {

TEST_F(FocusDlgScriptedTest, StartThatCannotRenderShowsMessage61207AndKeepsTheControls) {
    dlg->m_btnStartStop.EnableWindow(TRUE);
    dlg->m_stcStatus.SetWindowText("x");
    Press(IDC_STARTSTOP);
    EXPECT_EQ(CountBoxes(IDP_DEVICE_ACCESS_FAILED, MB_OK | MB_ICONEXCLAMATION), 1);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, app->m_pszAppName);
    EXPECT_EQ(dlg->m_stcStatus.GetWindowText(), "");
    EXPECT_EQ(dlg->m_btnStartStop.GetWindowText(), "Start");
    EXPECT_TRUE(dlg->m_btnNew.IsWindowEnabled());
    EXPECT_FALSE(FocusTimerRunning());
    EXPECT_TRUE(device().m_bPreviewWanted);  // left as set
    EXPECT_TRUE(camera->commands.empty());
}

// No video input device is registered in this fixture: the camera cannot be found.
TEST_F(FocusDlgScriptedTest, NewWithoutACameraShowsMessage61205) {
    Press(IDC_NEW);
    EXPECT_FALSE(device().m_pCameraFilter);  // a fresh object replaced the scripted one
    EXPECT_EQ(CountBoxes(IDP_DEVICE_INIT_FAILED, MB_OK | MB_ICONEXCLAMATION), 1);
    EXPECT_EQ(dlg->m_stcStatus.GetWindowText(), "");
    EXPECT_FALSE(dlg->m_bConnected);
    EXPECT_FALSE(dlg->m_btnStartStop.IsWindowEnabled());
}

}  // namespace
