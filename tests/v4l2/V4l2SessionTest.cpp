// "Snapshot" on a video-only V4L2 camera through the whole chain: the session stops the
// preview, the filter has the backend switch the scripted camera to its largest size in
// MJPEG, the JPEG frame goes through the JPEG path and is handed over with its stream byte
// for byte, and the preview restarts after the pause.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ScriptedV4l2Kernel.h"
#include "TestJpegEncoder.h"
#include "platform/dshow/DeviceRegistry.h"
#include "platform/win/Sleep.h"
#include "session/CameraSession.h"
#include "support/NullRendererEnvironment.h"
#include "support/TempDir.h"

namespace {

class CStillFront : public ISessionFront {
public:
    void ShowStatus(const std::string&) override {}
    void ShowMessage(SessionMessage) override {}
    void StopFocusReadout() override {}
    void PrepareStillView() override {}
    void ShowStill(CStill still) override { stills.push_back(std::move(still)); }
    std::vector<CStill> stills;
};

// A session connected to the scripted camera with these modes; pauses recorded, not slept.
class V4l2SessionTest : public testing::Test {
protected:
    void Connect(std::vector<ScriptedMode> modes) {
        kernel.nodes = {ScriptedNode{}};
        kernel.nodes.front().modes = std::move(modes);
        RegisterLiveCaptureDevice(V4l2CaptureDevice(kernel, NodeOf(kernel.nodes.front())));
        ASSERT_TRUE(session->Prepare());
        session->SetFront(&front);
        session->SetCameraName("Bench Camera");
        ASSERT_EQ(session->Connect(nullptr), CCameraSession::ConnectResult::Connected);
    }
    void TearDown() override {
        session->Finish();
        session.reset();
        ClearVideoInputDevices();
        SetSleepHook(m_oldSleep);
        EXPECT_EQ(kernel.mappings, 0);
        EXPECT_EQ(kernel.openFds, 0);
    }
    static std::vector<BYTE> Jpeg(int width, int height, BYTE top, BYTE bottom) {
        return EncodeTestJpeg(width, height, TestJpegOptions{}, [=](int y, BYTE* row) {
            std::fill(row, row + width * 3, y < height / 2 ? top : bottom);
        });
    }

    const CTempDir m_work{CTempDir::kEnter};  // where "Temp.jpg" is written
    std::vector<DWORD> pauses;
    const SleepHook m_oldSleep = SetSleepHook([this](DWORD ms) { pauses.push_back(ms); });
    CScriptedV4l2Kernel kernel;
    CStillFront front;
    std::unique_ptr<CCameraSession> session = std::make_unique<CCameraSession>();
};

}  // namespace

TEST_F(V4l2SessionTest, AStillIsTheCamerasJpegFrameAndThePreviewRestarts) {
    Connect({{V4L2_PIX_FMT_YUYV, 640, 480, {{1, 30}, {1, 10}}},
             {V4L2_PIX_FMT_MJPEG, 32, 16, {}},  // not the largest
             {V4L2_PIX_FMT_MJPEG, 1280, 960, {{1, 15}}}});
    ASSERT_TRUE(session->IsVideoOnly());
    EXPECT_EQ(session->TakeStill(RawStill()), CCameraSession::StillResult::Refused) << "no raw";

    const std::vector<BYTE> jpeg = Jpeg(1280, 960, 40, 210);
    kernel.frames.push_back({jpeg});
    EXPECT_EQ(session->TakeStill(JpegStill()), CCameraSession::StillResult::Shown);
    ASSERT_EQ(front.stills.size(), 1u);
    const CStill& still = front.stills.front();
    EXPECT_EQ(std::tuple(still.width, still.height), std::tuple(1280, 960));
    ASSERT_EQ(still.source.pKind, &JpegStill()) << "saved as the camera's JPEG stream";
    ASSERT_EQ(still.source.length, jpeg.size());
    EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.end(), still.source.Data()));
    EXPECT_GT(still.image[0], 180) << "decoded bottom-up: the bright lower half first";
    EXPECT_EQ(pauses, std::vector<DWORD>{kSnapshotPause_ms});
    EXPECT_TRUE(session->IsPreviewRunning()) << "restarted after the still";
    EXPECT_EQ(std::tuple(kernel.lastFormat.pixelformat, kernel.lastFormat.width),
              std::tuple(uint32_t{V4L2_PIX_FMT_YUYV}, 640u))
        << "in the preview's format again";
}

TEST_F(V4l2SessionTest, ACameraStreamingTheStillsFormatGivesItsNextFrameAndGoesOn) {
    Connect({{V4L2_PIX_FMT_MJPEG, 64, 48, {{1, 30}}}});  // as PipeWire's layer has one
    ASSERT_TRUE(session->StartPreview(TRUE));
    const std::vector<BYTE> jpeg = Jpeg(64, 48, 128, 128);
    // The camera sends a frame every 10 ms while the still waits for one.
    std::atomic<bool> bDone{false};
    std::thread camera([&] {
        for (int i = 0; i < 300 && !bDone; ++i) {
            kernel.Push({jpeg});
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    EXPECT_EQ(session->TakeStill(JpegStill()), CCameraSession::StillResult::Shown);
    bDone = true;
    camera.join();
    ASSERT_EQ(front.stills.size(), 1u);
    EXPECT_EQ(front.stills.front().source.length, jpeg.size());
    EXPECT_TRUE(pauses.empty()) << "the preview never stopped";
    EXPECT_TRUE(session->IsPreviewRunning());
    EXPECT_EQ(kernel.streamOns, 1);
}
