// The V4L2 backend over a scripted kernel that misbehaves: buffers filled wrongly (too many
// or too few bytes, an error flag, a buffer index the driver never had), EAGAIN and EIO, a
// driver that will not take the format, and a camera that is gone from any one call on.
#include <gtest/gtest.h>

#include <map>

#include "ScriptedV4l2Kernel.h"
#include "platform/vidcap/CaptureFormats.h"
#include "v4l2/V4l2Cameras.h"

namespace {

class V4l2FaultTest : public testing::Test {
protected:
    void SetUp() override { kernel.nodes = {ScriptedNode{}}; }  // YUYV 8 x 4, 64 bytes
    std::unique_ptr<ICaptureBackend> Started() {
        auto backend = Open(kernel);
        if (backend && backend->Start() != S_OK)
            backend.reset();
        return backend;
    }
    FrameWait Wait(ICaptureBackend& backend) {
        frame.assign(CaptureFrameBytes(backend.Formats()[0]), 0);
        return backend.WaitFrame(50, frame);
    }
    static ScriptedFrame Good() { return {std::vector<uint8_t>(64, 128)}; }

    CScriptedV4l2Kernel kernel;
    std::vector<BYTE> frame;
};

}  // namespace

TEST_F(V4l2FaultTest, SkipsWhatTheDriverFilledWronglyAndKeepsEveryBuffer) {
    const auto backend = Started();
    ASSERT_NE(backend, nullptr);
    const std::vector<uint8_t> bytes = Good().bytes;
    struct Case {
        const char* what;
        ScriptedFrame frame;
    };
    for (const Case& c :
         {Case{"bytesused beyond the buffer", {bytes, 0, 65}},
          Case{"odd bytesused", {bytes, 0, 63}}, Case{"nothing filled", {bytes, 0, 0}},
          Case{"the error flag", {bytes, 0, -1, -1, V4L2_BUF_FLAG_ERROR}},
          Case{"EAGAIN after poll said ready", {{}, EAGAIN}}, Case{"EIO", {{}, EIO}}}) {
        SCOPED_TRACE(c.what);
        kernel.frames.push_back(c.frame);
        EXPECT_EQ(Wait(*backend), FrameWait::Timeout);
        EXPECT_EQ(kernel.QueuedBuffers(), 4u);
    }
    kernel.frames.push_back(Good());
    EXPECT_EQ(Wait(*backend), FrameWait::Frame) << "the stream goes on";
}

TEST_F(V4l2FaultTest, ABufferIndexTheDriverNeverHadOrAPollErrorEndsTheStream) {
    for (const int64_t index : {4, 1000}) {
        const auto backend = Started();
        ASSERT_NE(backend, nullptr);
        ScriptedFrame stray = Good();
        stray.index = index;
        kernel.frames.push_back(stray);
        EXPECT_EQ(Wait(*backend), FrameWait::Lost) << index;
        backend->Stop();
        EXPECT_EQ(kernel.mappings, 0);
    }
    const auto backend = Started();
    kernel.bPollError = true;
    EXPECT_EQ(Wait(*backend), FrameWait::Lost);
}

TEST_F(V4l2FaultTest, RefusesAFormatOrBuffersTheDriverWillNotGiveAsAsked) {
    const ScriptedMode other{V4L2_PIX_FMT_YUYV, 16, 8, {{1, 30}}};
    struct Case {
        const char* what;
        void (*script)(CScriptedV4l2Kernel&);
    };
    for (const Case& c :
         {Case{"S_FMT sets another size", [](CScriptedV4l2Kernel& k) { k.bOtherFormat = true; }},
          Case{"S_FMT: EINVAL", [](CScriptedV4l2Kernel& k) { k.setFormatError = EINVAL; }},
          Case{"S_FMT: EBUSY", [](CScriptedV4l2Kernel& k) { k.setFormatError = EBUSY; }},
          Case{"no buffers", [](CScriptedV4l2Kernel& k) { k.requestedBuffers = 0; }},
          Case{"33 buffers", [](CScriptedV4l2Kernel& k) { k.requestedBuffers = 33; }},
          Case{"buffers shorter than a frame", [](CScriptedV4l2Kernel& k) { k.bufferLength = 63; }},
          Case{"buffers of 1 GiB", [](CScriptedV4l2Kernel& k) { k.bufferLength = 1 << 30; }}}) {
        SCOPED_TRACE(c.what);
        CScriptedV4l2Kernel refusing;
        refusing.nodes = {ScriptedNode{}};
        refusing.nodes.front().modes.push_back(other);
        c.script(refusing);
        auto backend = Open(refusing);
        ASSERT_NE(backend, nullptr);
        ASSERT_EQ(backend->SetFormat(0, 333'333), S_OK);
        EXPECT_EQ(backend->Start(), E_FAIL);
        EXPECT_EQ(refusing.mappings, 0);
        EXPECT_EQ(refusing.streamOns, 0);
    }
}

// The camera unplugged at every point of a session: listed, opened, started, streaming and
// stopped. Whatever call first meets ENODEV, nothing crashes, every mapping and descriptor is
// given back, and a stream that had started ends as lost, never with a frame after it.
TEST_F(V4l2FaultTest, ACameraGoneFromAnyCallOnEndsCleanly) {
    const auto session = [](int lostFrom) {
        CScriptedV4l2Kernel unplugged;
        unplugged.nodes = {ScriptedNode{}};
        unplugged.lostFromCall = lostFrom;
        for (int i = 0; i < 3; ++i)
            unplugged.frames.push_back(Good());
        std::string outcome = "listed nothing";
        const std::vector<V4l2CameraNode> cameras = ListV4l2Cameras(unplugged, {});
        if (!cameras.empty()) {
            auto backend = OpenV4l2Backend(unplugged, cameras.front());
            outcome = "not opened";
            if (backend) {
                const HRESULT hr = backend->Start();
                outcome = hr == HRESULT_DEVICE_NOT_CONNECTED ? "not started: gone"
                          : FAILED(hr)                       ? "not started"
                                                             : "streamed";
                if (SUCCEEDED(hr)) {
                    std::vector<BYTE> f(CaptureFrameBytes(backend->Formats()[0]));
                    bool bLost = false;
                    for (int i = 0; i < 3; ++i) {
                        const FrameWait w = backend->WaitFrame(20, f);
                        EXPECT_FALSE(bLost && w == FrameWait::Frame) << "a frame after the loss";
                        bLost = bLost || w == FrameWait::Lost;
                    }
                    backend->Stop();
                    if (bLost)
                        outcome = "lost while streaming";
                }
            }
        }
        EXPECT_EQ(unplugged.mappings, 0) << "after call " << lostFrom;
        EXPECT_EQ(unplugged.openFds, 0) << "after call " << lostFrom;
        return outcome;
    };
    ASSERT_EQ(session(-1), "streamed");
    std::map<std::string, int> outcomes;
    int n = 0;
    for (; n < 400; ++n) {
        const std::string outcome = session(n);
        ++outcomes[outcome];
        if (outcome == "streamed")
            break;  // the fault came after everything the session does
    }
    EXPECT_LT(n, 400) << "the session never got through";
    for (const char* expected :
         {"listed nothing", "not opened", "not started: gone", "lost while streaming"}) {
        EXPECT_GT(outcomes[expected], 0) << expected;
    }
    EXPECT_EQ(outcomes["not started"], 0) << "a start that met ENODEV says the camera is gone";
}
