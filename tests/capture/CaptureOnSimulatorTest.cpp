// The capture logic on the platform stand-in and the simulated camera, the way the main dialog
// drives it: connect, start-up format, resumed preview, frames at one per second, disconnect.
#include <gtest/gtest.h>

#include <memory>

#include "capture/CaptureSequences.h"
#include "platform/dshow/DeviceRegistry.h"
#include "platform/vidcap/LiveCaptureFilter.h"
#include "sim/SimCameraRegistration.h"
#include "support/LeakCheck.h"
#include "support/NullRendererEnvironment.h"
#include "support/WaitUntil.h"

namespace {

// The parameter says whether the simulated camera has a preview pin.
class CaptureOnSimulatorTest : public LeakCheckedTest, public testing::WithParamInterface<BOOL> {};

TEST_P(CaptureOnSimulatorTest, ConnectPreviewAtOneFramePerSecondAndDisconnect) {
    auto clock = std::make_shared<CManualSimClock>(0);
    SimVideoConfig video;
    video.bLensPanel = FALSE;
    video.bPreviewPin = GetParam();
    RegisterSimulatedCamera(std::make_shared<CSimCamera>(SimCameraConfig{}, clock), video);
    {
        CCaptureDevice device;
        BOOL bConnected = ConnectDevice(device, nullptr);
        ASSERT_TRUE(bConnected);
        DWORD nFormatKey = 0xFFFFFFFFu;
        ASSERT_TRUE(SelectFormatAndPreview(device, nFormatKey, 640, 480, 1, TRUE));
        EXPECT_EQ(device.HasNoPreviewPin(), !GetParam());

        const auto& sim = *dynamic_cast<CLiveCaptureFilter*>(device.CameraFilter());
        ASSERT_TRUE(WaitUntil([&] { return sim.FramesDelivered() == 1; }));
        clock->Advance(999);
        ASSERT_TRUE(WaitUntil([&] { return sim.FramesDelivered() == 1; }));
        clock->Advance(1);
        ASSERT_TRUE(WaitUntil([&] { return sim.FramesDelivered() == 2; }));

        DisconnectDevice(device, bConnected);
        EXPECT_FALSE(device.IsRunning() || device.FilterGraph() || device.CameraFilter());
    }
    ClearVideoInputDevices();  // the fixture then counts what is left
}

INSTANTIATE_TEST_SUITE_P(PreviewPinOrNot, CaptureOnSimulatorTest, ::testing::Values(TRUE, FALSE),
                         [](const auto& row) {
                             return row.param ? "WithPreviewPin" : "WithoutPreviewPin";
                         });

}  // namespace
