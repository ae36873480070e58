// The main dialog against a scripted camera that is not part of any graph: the focus
// read-out byte for byte, the still the "RawData" box asks for, and what a failed still shows.
#include "FocusDlgFixture.h"
#include "fakes/ScriptedCamera.h"
#include "platform/mfc/WindowHandle.h"

namespace {

class FocusDlgScriptedTest : public FocusDlgFixture {
protected:
    void SetUp() override {
        FocusDlgFixture::SetUp();
        session.TakeDevice(
            std::make_unique<CCaptureDevice>(ComPtr<IBaseFilter>(camera.filter.Get())));
    }
    // Entry 0 of the profile's resolution table, as a connect would have read it.
    void SetStillSize(WORD width, WORD height) {
        auto& bytes = session.Profile()->m_resolutionTable.bytes;
        bytes[2] = 1;
        bytes[4] = width & 0xFF;
        bytes[5] = width >> 8;
        bytes[6] = height & 0xFF;
        bytes[7] = height >> 8;
    }
    std::string FocusText() const { return TextOf(IDC_FOCUS); }

    CScriptedCamera camera;
};

TEST_F(FocusDlgScriptedTest, FocusFigureIsShownAndTheRecordWrittenBackUnchanged) {
    struct Case {
        DWORD value;
        const char* text;
    };
    const Case cases[] = {{0x8000, "Overflow"},
                          {static_cast<DWORD>(-1234), "-1234"},
                          {0x18000, "98304"}};  // only its low 16 bits look like the overflow
    for (const Case& c : cases) {
        camera.record = DeviceStatus{0x1234, c.value, 0x0000'0101};
        const DeviceStatus posted = camera.record;
        Tick(kFocusTimerId);
        EXPECT_EQ(FocusText(), c.text);
        EXPECT_EQ(Session().LastFocusValue(), static_cast<LONG>(c.value));
        ASSERT_FALSE(camera.statusWrites.empty());
        EXPECT_EQ(camera.statusWrites.back(), posted);  // every field as read
    }
    EXPECT_EQ(camera.statusWrites.size(), std::size(cases));
}

TEST_F(FocusDlgScriptedTest, OnlyTimer100ReadsAndAFailedReadShowsNothingNew) {
    camera.PostFocus(5);
    Tick(7);
    Tick(101);
    EXPECT_TRUE(camera.TransfersOf(VENDOR_PROPERTY_STATUS).empty());
    CWindowMessageEvent tick(WM_TIMER, kFocusTimerId, 0);  // through the message map
    QCoreApplication::sendEvent(dlg.get(), &tick);
    ASSERT_EQ(FocusText(), "5");

    // A record not ready is left unshown in FocusDlgHistoryTest; a failed read shows nothing.
    camera.PostFocus(78);
    camera.statusFails = TRUE;
    Tick(kFocusTimerId);
    EXPECT_EQ(FocusText(), "5");
    EXPECT_EQ(camera.statusWrites.size(), 1u);
}

TEST_F(FocusDlgScriptedTest, RawDataIsReadAtEachPress) {
    SetStillSize(640, 480);
    camera.refuseRequests = TRUE;  // each flow ends right after its request
    SetCheck(IDC_RAWDATA, true);
    Press(IDC_SNAPSHOT);
    EXPECT_EQ(camera.rawRequests.size(), 1u);
    SetCheck(IDC_RAWDATA, false);
    Press(IDC_SNAPSHOT);
    EXPECT_EQ(camera.rawRequests.size(), 1u);
    EXPECT_EQ(camera.jpegRequests.size(), 1u);
    EXPECT_TRUE(pauses.empty());  // a refusal restarts the preview at once
}

// Each way a still fails is the session's (its test); the dialog shows the failed restart
// twice, and its controls the stopped preview. A JPEG still's view is made before decoding.
TEST_F(FocusDlgScriptedTest, AFailedStillShowsTheFailedRestartAndTheStoppedPreview) {
    SetStillSize(64, 48);
    camera.jpegStill.assign(1000, 0x55);  // no JPEG stream
    Device().SetPreviewWanted(TRUE);
    // The controls of a running preview, which the failed restart below must take back.
    dlg->GetDlgItem(IDC_NEW)->setEnabled(false);
    static_cast<QAbstractButton*>(dlg->GetDlgItem(IDC_STARTSTOP))->setText("Stop");
    dlg->GetDlgItem(IDC_SNAPSHOT)->setEnabled(true);
    dlg->SetTimer(kFocusTimerId, kFocusReadPeriod_ms);
    Press(IDC_SNAPSHOT);

    EXPECT_EQ(pauses.size(), 1u);
    EXPECT_EQ(CountBoxes(IDP_DEVICE_ACCESS_FAILED, MB_OK | MB_ICONSTOP), 2);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(IsEnabled(IDC_NEW));
    EXPECT_EQ(TextOf(IDC_STARTSTOP), "Start");
    EXPECT_FALSE(IsEnabled(IDC_SNAPSHOT));
    EXPECT_FALSE(FocusTimerRunning());
    EXPECT_TRUE(dlg->SnapshotView().IsCreated());
    EXPECT_FALSE(dlg->SnapshotView().isVisible());
}

}  // namespace
