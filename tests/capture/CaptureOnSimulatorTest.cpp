// The capture logic on the platform stand-in and the simulated camera, the way the main dialog
// drives it: connect, start-up format, resumed preview, frames at one per second, disconnect.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <chrono>
#include <memory>
#include <thread>

#include "capture/CaptureSequences.h"
#include "fakes/DShowClassesEnvironment.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/DeviceRegistry.h"
#include "sim/SimCameraRegistration.h"

namespace {

// Spins the event loop until `done`; the deadline is only there to end a hung run.
template <class Pred>
bool SpinUntil(Pred done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 20'000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class CaptureOnSimulatorTest : public ::testing::TestWithParam<BOOL> {
protected:
    void SetUp() override {
        ClearVideoInputDevices();
        m_liveBefore = ComLiveObjectCount();
        m_taskBefore = CoTaskMemOutstanding();
    }
    void TearDown() override {
        m_device.reset();
        QCoreApplication::processEvents();
        ClearVideoInputDevices();
        m_camera.reset();
        EXPECT_EQ(ComLiveObjectCount(), m_liveBefore);
        EXPECT_EQ(CoTaskMemOutstanding(), m_taskBefore);
    }

    void Register(SimVideoConfig video) {
        video.bLensPanel = FALSE;
        m_camera = std::make_shared<CSimCamera>(SimCameraConfig{}, m_clock);
        RegisterSimulatedCamera(m_camera, video);
    }

    CSimCaptureFilter& Sim() {
        return *dynamic_cast<CSimCaptureFilter*>(m_device->m_pCameraFilter.Get());
    }

    std::shared_ptr<CManualSimClock> m_clock = std::make_shared<CManualSimClock>(0);
    std::shared_ptr<CSimCamera> m_camera;
    std::unique_ptr<CCaptureDevice> m_device = std::make_unique<CCaptureDevice>();
    long m_liveBefore = 0;
    long m_taskBefore = 0;
};

TEST_P(CaptureOnSimulatorTest, ConnectPreviewAtOneFramePerSecondAndDisconnect) {
    SimVideoConfig video;
    video.bPreviewPin = GetParam();
    Register(video);

    BOOL bConnected = ConnectDevice(*m_device, nullptr);
    ASSERT_TRUE(bConnected);
    ASSERT_GT(m_device->m_formatTable.GetCount(), 0);

    DWORD nFormatKey = 0xFFFFFFFFu;
    ASSERT_TRUE(SelectFormatAndPreview(*m_device, nFormatKey, 640, 480, 1, TRUE));
    LONG group = -1;
    LONG position = -1;
    ASSERT_TRUE(m_device->m_formatTable.FindGroup(nFormatKey, group));
    EXPECT_EQ(group, 0);
    EXPECT_TRUE(m_device->m_formatTable.FindSize(640, 480, group, position));
    EXPECT_TRUE(m_device->m_bRunning && m_device->m_bPreviewRendered);
    EXPECT_EQ(m_device->m_bNoPreviewPin, !GetParam());
    EXPECT_TRUE(m_device->m_pVideoWindow && m_device->m_pMediaEvent);

    ASSERT_TRUE(SpinUntil([&] { return Sim().FramesDelivered() == 1; }));
    m_clock->Advance(999);
    QCoreApplication::processEvents();
    EXPECT_EQ(Sim().FramesDelivered(), 1u);
    m_clock->Advance(1);
    ASSERT_TRUE(SpinUntil([&] { return Sim().FramesDelivered() == 2; }));

    DisconnectDevice(*m_device, bConnected);
    EXPECT_FALSE(bConnected || m_device->m_bRunning);
    EXPECT_FALSE(m_device->m_pFilterGraph || m_device->m_pCameraFilter);
}

INSTANTIATE_TEST_SUITE_P(PreviewPinOrNot, CaptureOnSimulatorTest, ::testing::Values(TRUE, FALSE));

TEST_F(CaptureOnSimulatorTest, ACompressorPinPreviewsInItsOwnFormat) {
    SimVideoConfig video;
    video.bCompressorPin = TRUE;
    Register(video);

    BOOL bConnected = ConnectDevice(*m_device, nullptr);
    ASSERT_TRUE(bConnected);
    EXPECT_EQ(m_device->m_formatTable.GetCount(), 0);
    DWORD nFormatKey = 0x1234u;
    EXPECT_TRUE(SelectFormatAndPreview(*m_device, nFormatKey, 640, 480, 1, TRUE));
    EXPECT_EQ(nFormatKey, 0x1234u);
    EXPECT_TRUE(m_device->m_bRunning);
    DisconnectDevice(*m_device, bConnected);
}

TEST_F(CaptureOnSimulatorTest, ADeviceDroppedWhilePreviewingLeavesNothingAlive) {
    Register(SimVideoConfig{});
    ASSERT_TRUE(m_device->Connect());
    ASSERT_TRUE(m_device->RenderPreview());
    ASSERT_TRUE(m_device->Run());
    m_device.reset();  // TearDown checks that the graph, its threads' objects and the camera went
}

}  // namespace
