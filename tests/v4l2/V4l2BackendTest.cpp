// The V4L2 backend over a scripted kernel, on a working camera: which nodes are cameras and
// what they are called, which formats the graph sees and which pixel format streams at a
// rate, and frames converted into the graph's bottom-up 24-bit rows (YUYV and MJPEG).
#include <gtest/gtest.h>

#include "ScriptedV4l2Kernel.h"
#include "TestJpegEncoder.h"
#include "platform/vidcap/CaptureFormats.h"
#include "v4l2/V4l2Cameras.h"
#include "v4l2/V4l2CaptureBackend.h"

namespace {

// YUYV rows of one grey level each, top to bottom: `levels` repeated down the picture.
std::vector<uint8_t> GreyYuyv(uint32_t width, uint32_t height, std::vector<uint8_t> levels) {
    std::vector<uint8_t> bytes;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; x += 2) {
            const uint8_t level = levels[y * levels.size() / height];
            bytes.insert(bytes.end(), {level, 128, level, 128});
        }
    }
    return bytes;
}

}  // namespace

TEST(V4l2CamerasTest, ListsEachCaptureCameraOnceByItsCardNamingTwinsApart) {
    const auto node = [](const char* path, const char* bus, std::string card = "Bench Camera",
                         uint32_t caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING) {
        return ScriptedNode{path, card, bus, caps};
    };
    CScriptedV4l2Kernel kernel;
    kernel.nodes = {
        node("/dev/video0", "usb-1"),
        node("/dev/video1", "usb-1", "Bench Camera",  // its metadata node
             V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING),
        node("/dev/video2", "usb-2"),                     // the same model on another port
        node("/dev/video3", "usb-1"),                     // the first camera's second capture node
        node("/dev/video4", "usb-3", "Standard_Camera"),  // the simulator's name: a second one
        node("/dev/video5", "usb-4", "Bench Camera",      // no streaming
             V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE),
        node("/dev/video63", "usb-5", std::string(32, 'L')),  // no final zero in the card
        node("/dev/video64", "usb-6")};                       // past the last node looked at

    const std::vector<V4l2CameraNode> cameras = ListV4l2Cameras(kernel, {"Standard_Camera"});
    std::vector<std::string> seen;
    for (const V4l2CameraNode& c : cameras)
        seen.push_back(c.path + " " + c.name);
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "/dev/video0 Bench Camera", "/dev/video2 Bench Camera #2",
                        "/dev/video4 Standard_Camera #2", "/dev/video63 " + std::string(32, 'L')}));
    EXPECT_EQ(kernel.openFds, 0) << "every node is closed after the look";
}

TEST(V4l2CamerasTest, AFilterOpensOnlyTheCameraItWasListedAs) {
    CScriptedV4l2Kernel kernel;
    kernel.nodes = {ScriptedNode{}};
    V4l2CameraNode listed = NodeOf(kernel.nodes.front());
    EXPECT_NE(OpenV4l2Backend(kernel, listed), nullptr);
    listed.busInfo = "usb-elsewhere";  // the node belongs to another camera by now
    EXPECT_EQ(OpenV4l2Backend(kernel, listed), nullptr);
    kernel.nodes.front().modes = {{V4L2_PIX_FMT_H264, 640, 480, {{1, 30}}}};
    EXPECT_EQ(Open(kernel), nullptr) << "nothing that converts";
    EXPECT_EQ(kernel.openFds, 0);
}

TEST(V4l2BackendTest, OffersEachSizeOnceWithTheRatesOfAllItsPixelFormats) {
    CScriptedV4l2Kernel kernel;
    ScriptedNode node;
    node.modes = {{V4L2_PIX_FMT_MJPEG, 1280, 720, {{1, 30}}},
                  {V4L2_PIX_FMT_YUYV, 640, 480, {{1, 30}, {1, 15}, {1, 5}}},
                  {V4L2_PIX_FMT_MJPEG, 640, 480, {{1, 60}, {1, 30}}},
                  {V4L2_PIX_FMT_H264, 1920, 1080, {{1, 30}}},
                  {V4L2_PIX_FMT_YUYV, 320, 240, {}}};  // no rates listed: G_PARM's 1/25
    kernel.nodes = {node};
    const auto backend = Open(kernel);
    ASSERT_NE(backend, nullptr);
    const std::vector<CaptureFormat>& f = backend->Formats();
    ASSERT_EQ(f.size(), 3u) << "H.264 is left out";
    EXPECT_EQ(std::tuple(f[0].width, f[0].height, f[0].minInterval_100ns, f[0].maxInterval_100ns),
              std::tuple(320, 240, 400'000, 400'000));
    EXPECT_EQ(std::tuple(f[1].width, f[1].height, f[1].minInterval_100ns, f[1].maxInterval_100ns),
              std::tuple(640, 480, 166'666, 2'000'000));
    EXPECT_EQ(std::tuple(f[2].width, f[2].height), std::tuple(1280, 720));
    EXPECT_EQ(f[1].subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(backend->DefaultFormat(), 1u);

    auto& v4l2 = static_cast<CV4l2CaptureBackend&>(*backend);
    struct Case {
        int64_t wanted;
        uint32_t fourcc;
        int64_t interval;
    };
    // The slowest rate at least as fast as asked; YUYV, cheaper, when both have it.
    for (const Case& c :
         {Case{1'000'000, V4L2_PIX_FMT_YUYV, 666'666}, Case{333'333, V4L2_PIX_FMT_YUYV, 333'333},
          Case{10'000'000, V4L2_PIX_FMT_YUYV, 2'000'000},
          Case{200'000, V4L2_PIX_FMT_MJPEG, 166'666}, Case{100'000, V4L2_PIX_FMT_MJPEG, 166'666}}) {
        SCOPED_TRACE(c.wanted);
        ASSERT_EQ(backend->SetFormat(1, c.wanted), S_OK);
        EXPECT_EQ(FourCcText(v4l2.ChosenMode().pixelFormat), FourCcText(c.fourcc));
        EXPECT_EQ(v4l2.ChosenInterval(), c.interval);
    }
    EXPECT_EQ(backend->SetFormat(3, 333'333), E_INVALIDARG);
}

TEST(V4l2BackendTest, ChoosesWithinARangeOfIntervals) {
    std::vector<V4l2Mode> modes{{V4L2_PIX_FMT_YUYV, 8, 4, {500'000, 2'000'000}, true},
                                {V4L2_PIX_FMT_MJPEG, 8, 4, {333'333}, false}};
    int64_t interval = 0;
    EXPECT_EQ(ChooseV4l2Mode(modes, {0, 1}, 1'000'000, interval), 0u);
    EXPECT_EQ(interval, 1'000'000) << "any interval of the range, so exactly the one asked";
    EXPECT_EQ(ChooseV4l2Mode(modes, {0, 1}, 400'000, interval), 1u);
    EXPECT_EQ(interval, 333'333);
    EXPECT_EQ(ChooseV4l2Mode(modes, {0}, 400'000, interval), 0u);
    EXPECT_EQ(interval, 500'000) << "none fast enough: the fastest";
}

TEST(V4l2BackendTest, StreamsTheNewestFrameBottomUpAndGivesEveryBufferBack) {
    CScriptedV4l2Kernel kernel;
    kernel.nodes = {ScriptedNode{}};  // YUYV 8 x 4
    const auto backend = Open(kernel);
    ASSERT_NE(backend, nullptr);
    ASSERT_EQ(backend->SetFormat(0, 333'333), S_OK);
    ASSERT_EQ(backend->Start(), S_OK);
    EXPECT_EQ(kernel.mappings, 4);
    EXPECT_EQ(kernel.QueuedBuffers(), 4u);

    std::vector<BYTE> frame(CaptureFrameBytes(backend->Formats()[0]));
    EXPECT_EQ(backend->WaitFrame(100, frame), FrameWait::Timeout);
    kernel.frames.push_back({GreyYuyv(8, 4, {0, 0, 0, 0})});  // older: dropped
    kernel.frames.push_back({GreyYuyv(8, 4, {40, 40, 220, 220})});
    ASSERT_EQ(backend->WaitFrame(100, frame), FrameWait::Frame);
    EXPECT_EQ(kernel.QueuedBuffers(), 4u) << "both buffers given back";
    // Rows bottom-up: the picture's bright bottom comes first.
    EXPECT_GT(frame[0], 190);
    EXPECT_GT(frame[1], 190);
    EXPECT_LT(frame[frame.size() - 1], 60);
    EXPECT_EQ(kernel.streamOns, 1);

    backend->Stop();
    EXPECT_EQ(kernel.mappings, 0);
    EXPECT_EQ(kernel.QueuedBuffers(), 0u);
}

TEST(V4l2BackendTest, MjpegFramesDecodeWithTheCamerasPaddingAroundTheirEnd) {
    CScriptedV4l2Kernel kernel;
    ScriptedNode node;
    node.modes = {{V4L2_PIX_FMT_MJPEG, 16, 16, {{1, 30}}}};
    kernel.nodes = {node};
    const auto backend = Open(kernel);
    ASSERT_NE(backend, nullptr);
    ASSERT_EQ(backend->Start(), S_OK);
    std::vector<BYTE> frame(CaptureFrameBytes(backend->Formats()[0]));
    // Red above, blue below.
    const std::vector<BYTE> jpeg = EncodeTestJpeg(16, 16, TestJpegOptions{}, [](int y, BYTE* row) {
        for (int x = 0; x < 16; ++x) {
            row[3 * x] = y < 8 ? 250 : 0;
            row[3 * x + 2] = y < 8 ? 0 : 250;
            row[3 * x + 1] = 0;
        }
    });
    ASSERT_EQ(JpegStreamLength(jpeg.data(), jpeg.size()), jpeg.size());

    std::vector<uint8_t> trailing = jpeg;  // zeros after the end marker
    trailing.resize(jpeg.size() + 100, 0);
    EXPECT_EQ(JpegStreamLength(trailing.data(), trailing.size()), jpeg.size());
    std::vector<uint8_t> inside = jpeg;  // zeros before it
    inside.insert(inside.end() - 2, 64, 0);
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.end() - 2);  // no end marker
    EXPECT_EQ(JpegStreamLength(cut.data(), cut.size()), 0u);
    std::vector<uint8_t> noStart = jpeg;
    noStart[1] = 0;
    EXPECT_EQ(JpegStreamLength(noStart.data(), noStart.size()), 0u);

    for (const auto* bytes : {&trailing, &inside}) {
        SCOPED_TRACE(bytes == &trailing ? "padded after" : "padded before");
        std::fill(frame.begin(), frame.end(), BYTE{0x77});
        kernel.frames.push_back({*bytes});
        ASSERT_EQ(backend->WaitFrame(100, frame), FrameWait::Frame);
        const size_t last = frame.size() - 3;                   // the top row's last pixel
        EXPECT_GT(frame[0], 150) << "bottom rows first: blue";  // B G R
        EXPECT_LT(frame[2], 100);
        EXPECT_GT(frame[last + 2], 150) << "the top row last: red";
    }
    for (const auto* bytes : {&cut, &noStart}) {
        kernel.frames.push_back({*bytes});
        EXPECT_EQ(backend->WaitFrame(100, frame), FrameWait::Timeout) << "skipped, not read";
    }
    EXPECT_EQ(kernel.QueuedBuffers(), 4u);
}

TEST(V4l2StillTest, TakesTheLargestSizeInMjpegWhenItHasItThenStreamsAsBefore) {
    CScriptedV4l2Kernel kernel;
    ScriptedNode node;
    node.modes = {{V4L2_PIX_FMT_YUYV, 8, 4, {{1, 30}}},
                  {V4L2_PIX_FMT_YUYV, 16, 16, {{1, 5}}},
                  {V4L2_PIX_FMT_MJPEG, 16, 16, {{1, 30}}}};
    kernel.nodes = {node};
    const auto backend = Open(kernel);
    ASSERT_NE(backend, nullptr);
    ASSERT_TRUE(backend->HasStill());
    const std::vector<BYTE> jpeg = EncodeTestJpeg(
        16, 16, TestJpegOptions{}, [](int, BYTE* row) { std::fill(row, row + 48, BYTE{90}); });
    std::vector<uint8_t> padded = jpeg;
    padded.resize(jpeg.size() + 37, 0);
    kernel.frames.push_back({std::vector<uint8_t>(5, 0xFF)});  // cut short: passed over
    kernel.frames.push_back({padded});
    CameraStillFrame still;
    ASSERT_EQ(backend->TakeStill(still, false), S_OK);
    EXPECT_TRUE(still.bJpeg);
    EXPECT_EQ(std::tuple(still.width, still.height), std::tuple(16, 16));
    EXPECT_EQ(still.bytes, jpeg) << "the camera's stream byte for byte, without its padding";
    EXPECT_EQ(FourCcText(kernel.lastFormat.pixelformat), "MJPG");
    EXPECT_EQ(kernel.mappings, 0) << "the still's stream is over";

    ASSERT_EQ(backend->SetFormat(0, 333'333), S_OK);
    ASSERT_EQ(backend->Start(), S_OK);
    EXPECT_EQ(std::tuple(kernel.lastFormat.width, kernel.lastFormat.height), std::tuple(8u, 4u));
    backend->Stop();

    // Without MJPEG at the largest size: the converted frame, rows bottom-up and packed.
    kernel.nodes.front().modes = {{V4L2_PIX_FMT_YUYV, 6, 2, {{1, 30}}}};
    const auto plain = Open(kernel);
    ASSERT_NE(plain, nullptr);
    kernel.frames.push_back({GreyYuyv(6, 2, {30, 230})});
    ASSERT_EQ(plain->TakeStill(still, false), S_OK);
    EXPECT_FALSE(still.bJpeg);
    ASSERT_EQ(still.bytes.size(), 6u * 2 * 3) << "18-byte rows, no padding to 20";
    EXPECT_GT(still.bytes[0], 190) << "the bottom row first";
    EXPECT_LT(still.bytes[18], 60);

    kernel.lostFromCall = kernel.calls;
    EXPECT_EQ(plain->TakeStill(still, false), HRESULT_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(kernel.mappings, 0);
}
