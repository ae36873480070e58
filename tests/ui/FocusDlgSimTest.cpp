// The main dialog's state table, then the dialog on the simulated camera one transition at a
// time. Both snapshot flows run end to end in the application test.
#include <QLineEdit>
#include <QPointer>
#include <ostream>
#include <string>

#include "FocusDlgFixture.h"
#include "platform/dshow/StreamInterfaces.h"
#include "platform/dshow/VideoWindowQuery.h"
#include "platform/mfc/WindowHandle.h"
#include "support/SpinUntil.h"

// Found by gtest beside the type, which lives outside any namespace.
void PrintTo(const DialogControls& c, std::ostream* out) {
    *out << std::boolalpha << "{New " << c.bNew << ", Start " << c.bStartStop << " \""
         << (c.bStopText ? "Stop" : "Start") << "\", Snapshot " << c.bSnapshot << ", timer "
         << c.bFocusTimer << "}";
}

namespace {

using S = DialogState;
constexpr S kStates[] = {S::NoCamera, S::Stopped, S::Running, S::ClosedByOperator, S::CameraGone};

TEST(DialogStateTest, EveryRowKeepsTheControlRules) {
    for (const S state : kStates) {
        const DialogControls& c = ControlsOf(state);
        SCOPED_TRACE(RowOf(state).name);
        EXPECT_EQ(RowOf(state).state, state);
        // Only a running preview reads "Stop", runs the read-out and locks "New".
        const bool bRunning = state == S::Running;
        EXPECT_EQ(c.bStopText, bRunning);
        EXPECT_EQ(c.bFocusTimer, bRunning);
        EXPECT_EQ(c.bNew, !bRunning);
        // "Start" wants a camera; "Snapshot" a preview, or one the operator closed.
        EXPECT_EQ(c.bStartStop, state != S::NoCamera && state != S::CameraGone);
        EXPECT_EQ(c.bSnapshot, bRunning || state == S::ClosedByOperator);
    }
}

TEST(DialogStateTest, NewNeverTouchesSnapshotNorDisablesStartAndAFailedOneChangesNothing) {
    for (const S state : kStates) {
        if (state == S::Running)
            continue;  // "New" takes no clicks there
        SCOPED_TRACE(RowOf(state).name);
        EXPECT_EQ(StateAfterNew(state, false, false), state);
        const S after = StateAfterNew(state, true, false);
        EXPECT_TRUE(ControlsOf(after).bStartStop);
        EXPECT_FALSE(ControlsOf(after).bFocusTimer);
        EXPECT_EQ(ControlsOf(after).bSnapshot, ControlsOf(state).bSnapshot);
        EXPECT_EQ(StateAfterNew(state, true, true), S::Running);  // a resumed preview shows
    }
}

const DialogControls kNoCamera = ControlsOf(S::NoCamera);
const DialogControls kIdle = ControlsOf(S::Stopped);
const DialogControls kPreviewing = ControlsOf(S::Running);
const DialogControls kClosed = ControlsOf(S::ClosedByOperator);
using CommandLog = std::pair<uint64_t, DWORD>;  // commands sent, the last of them

class FocusDlgSimTest : public FocusDlgFixture {
protected:
    // A camera whose firmware is there, or not, and ready at once. (One never ready is released
    // at the session's bound: the command line's in-process test; a failed "New" shows its box
    // in FocusDlgLayoutTest.)
    void UseCamera(BOOL bFirmwarePresent = TRUE) {
        SimCameraConfig config;
        config.firmware.bFirmwarePresent = bFirmwarePresent;
        config.firmware.startup_ms = 0;
        UseSimulatedCamera(config);
    }
    CommandLog Commands() const {
        const CSimFirmware::Counters counters = m_camera->Firmware().GetCounters();
        return {counters.commands, counters.lastCommand};
    }
    // The controls as a person sees them.
    DialogControls Now() {
        return {.bNew = IsEnabled(IDC_NEW),
                .bStartStop = IsEnabled(IDC_STARTSTOP),
                .bStopText = TextOf(IDC_STARTSTOP) == "Stop",
                .bSnapshot = IsEnabled(IDC_SNAPSHOT),
                .bFocusTimer = FocusTimerRunning()};
    }
    void Notify(LONG code) {
        ComPtr<IMediaEventSink> sink;
        ASSERT_EQ(ComPtr<IMediaEventEx>(Device().MediaEvent()).As(sink), S_OK);
        sink->Notify(code, 0, 0);
        QCoreApplication::processEvents();  // the posted WM_USER + 1
    }
};

TEST_F(FocusDlgSimTest, StateTableThroughNewStartStopAndTheFullPreviewBox) {
    UseCamera();
    EXPECT_EQ(Now(), kNoCamera);
    EXPECT_EQ(dlg->windowTitle().toStdString(), "PXV58RL_V2.0.4.1 Nitidor");
    Press(IDC_NEW);
    EXPECT_EQ(Now(), kIdle);
    EXPECT_TRUE(Session().IsConnected());

    Press(IDC_STARTSTOP);
    EXPECT_EQ(Now(), kPreviewing);
    EXPECT_EQ(GetTimerPeriod(dlg->GetSafeHwnd(), kFocusTimerId), kFocusReadPeriod_ms);
    EXPECT_EQ(Commands(), CommandLog(1, 65));
    EXPECT_EQ(Session().ResumesPreview(), 1);
    ASSERT_TRUE(SpinUntil([&] { return !TextOf(IDC_FOCUS).empty(); }));

    Press(IDC_STARTSTOP);
    EXPECT_EQ(Now(), kIdle);
    EXPECT_EQ(Commands(), CommandLog(2, 66));
    EXPECT_FALSE(Device().IsRunning());
    EXPECT_EQ(Session().ResumesPreview(), 0);
    EXPECT_FALSE(TextOf(IDC_FOCUS).empty());  // the last figure stays
    EXPECT_EQ(TextOf(IDC_STATUS), "");
    EXPECT_TRUE(boxes.empty());

    // "FullPreview" is read at each press: a change between presses leaves one end unsent.
    SetCheck(IDC_FULLPREVIEW, true);
    Press(IDC_STARTSTOP);
    SetCheck(IDC_FULLPREVIEW, false);
    Press(IDC_STARTSTOP);
    EXPECT_EQ(Commands(), CommandLog(3, 66));
    Press(IDC_STARTSTOP);
    SetCheck(IDC_FULLPREVIEW, true);
    Press(IDC_STARTSTOP);  // 65 is left without its 66
    EXPECT_EQ(Commands(), CommandLog(4, 65));
    EXPECT_EQ(Now(), kIdle);
}

TEST_F(FocusDlgSimTest, GraphEventsAbortOnlyWhileRunningAndAnErrorReleasesTheCamera) {
    UseCamera();
    Press(IDC_NEW);
    Press(IDC_STARTSTOP);
    Press(IDC_STARTSTOP);
    Notify(EC_USERABORT);
    Notify(EC_ERRORABORT);
    Notify(EC_COMPLETE);
    EXPECT_EQ(Now(), kIdle);
    EXPECT_TRUE(Session().IsConnected());
    EXPECT_TRUE(Device().MediaEvent());

    // The operator closing the renderer's window arrives as a user abort, posted.
    Press(IDC_STARTSTOP);
    QWidget* renderer = WidgetFromHwnd(FindWindow(nullptr, "ActiveMovie Window"));
    ASSERT_NE(renderer, nullptr);
    renderer->close();
    ASSERT_TRUE(SpinUntil([&] { return !Device().IsRunning(); }));
    EXPECT_EQ(Now(), kClosed);
    EXPECT_EQ(Commands(), CommandLog(4, 66));
    EXPECT_EQ(Session().ResumesPreview(), 1);
    Press(IDC_SNAPSHOT);  // restarts the preview, and the controls say so
    EXPECT_TRUE(Device().IsRunning());
    EXPECT_EQ(Now(), kPreviewing);
    Press(IDC_STARTSTOP);
    EXPECT_EQ(Commands(), CommandLog(5, 66));

    // A camera lost: a real unplug's way here is SimVideoTest's, and end to end.
    Press(IDC_STARTSTOP);
    Notify(EC_ERRORABORT);
    EXPECT_EQ(Now(), kNoCamera);
    EXPECT_EQ(dlg->FocusHistory().FigureReadout()->text().toStdString(), kNoFigureText);
    EXPECT_FALSE(Session().IsConnected());
    EXPECT_FALSE(Device().MediaEvent());
    EXPECT_EQ(Commands(), CommandLog(6, 65));
    EXPECT_TRUE(boxes.empty());
    Press(IDC_NEW);  // m_bResumePreview survived: the preview runs, and the controls say so
    EXPECT_TRUE(Device().IsRunning());
    EXPECT_EQ(Now(), kPreviewing);
}

TEST_F(FocusDlgSimTest, NewLeavesSnapshotAsItWasEvenWhenItFails) {
    UseCamera();
    Press(IDC_NEW);
    Press(IDC_STARTSTOP);
    Notify(EC_USERABORT);
    ASSERT_EQ(Now(), kClosed);
    Unplug();
    Press(IDC_NEW);
    EXPECT_EQ(CountBoxes(IDP_DEVICE_INIT_FAILED, MB_OK | MB_ICONEXCLAMATION), 1);
    EXPECT_EQ(Now(), kClosed);
}

TEST_F(FocusDlgSimTest, NoFirmwareStopsTheConnectWithoutAMessage) {
    UseCamera(FALSE);
    Press(IDC_NEW);
    EXPECT_EQ(TextOf(IDC_STATUS), "No Firmware...");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Now(), kNoCamera);
    EXPECT_FALSE(Device().FilterGraph());
}

TEST_F(FocusDlgSimTest, SecondNewBuildsAfreshAndCloseWhilePreviewingReleasesEverything) {
    UseCamera();
    Press(IDC_NEW);
    ASSERT_EQ(devicesMade, 1);
    static_cast<QLabel*>(dlg->GetDlgItem(IDC_FOCUS))->setText("123");
    // A renderer of an earlier graph, still held somewhere, with its window.
    ComPtr<IBaseFilter> earlier;
    ASSERT_EQ(CVideoRenderer::Create(earlier.ReleaseAndGetAddressOf()), S_OK);
    QPointer<QWidget> leftover = WidgetFromHwnd(FindVideoRendererWindow());
    ASSERT_NE(leftover, nullptr);
    Press(IDC_NEW);
    EXPECT_TRUE(leftover.isNull());
    earlier = nullptr;
    EXPECT_EQ(devicesMade, 2);
    EXPECT_EQ(TextOf(IDC_FOCUS), "");
    EXPECT_EQ(Now(), kIdle);

    Press(IDC_STARTSTOP);
    Press(IDC_SNAPSHOT);
    ASSERT_TRUE(dlg->SnapshotView().isVisible());
    const CommandLog commands = Commands();
    dlg->DestroyWindow();
    EXPECT_FALSE(Device().IsRunning() || Device().FilterGraph() || Device().MediaEvent());
    EXPECT_FALSE(Session().IsConnected() || FocusTimerRunning());
    EXPECT_FALSE(dlg->SnapshotView().IsCreated());
    EXPECT_EQ(Commands(), commands);  // no 66 on the way out
}

}  // namespace
