// The simulated camera's video side through the capture stand-in, as the utility drives it.
// (Finding the camera and both render paths are the capture tests'.)
#include <atomic>
#include <deque>
#include <string>
#include <thread>

#include "SimFilter.h"
#include "platform/dshow/FrameTap.h"
#include "platform/vidcap/LiveCaptureFilter.h"
#include "support/CreateInstance.h"
#include "support/LeakCheck.h"
#include "support/NullRendererEnvironment.h"
#include "support/WaitUntil.h"

namespace {

constexpr int kRgb640 = 2;  // the capability index of RGB24 640 x 480

// The size of the last frame the preview's renderer took.
class CFrameSizeSink : public IFrameSink {
public:
    void OnFrame(const VideoFrameRef& frame) override {
        m_width = frame.width;
        m_height = frame.Rows();
    }
    std::atomic<LONG> m_width{0};
    std::atomic<LONG> m_height{0};
};

class SimVideoTest : public LeakCheckedTest {
protected:
    // Makes the camera's filter on the manual clock and takes its capture pin.
    void Make(uint64_t failAtFrame = 0, const SimCameraConfig& config = {}) {
        m_camera = std::make_shared<CSimCamera>(config, m_clock);
        m_filter = SimFilter(m_camera, SimVideoConfig{.failAtFrame = failAtFrame});
        ComPtr<IEnumPins> pins;
        ComPtr<IPin> pin;
        ASSERT_EQ(m_filter->EnumPins(pins.ReleaseAndGetAddressOf()), S_OK);
        ASSERT_EQ(pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr), S_OK);
        ASSERT_EQ(pin.As(m_config), S_OK);
    }

    void Render() {
        m_graph = CreateInstance<IGraphBuilder>(CLSID_FilterGraph);
        const auto builder = CreateInstance<ICaptureGraphBuilder>(CLSID_CaptureGraphBuilder);
        ASSERT_EQ(builder->SetFiltergraph(m_graph.Get()), S_OK);
        ASSERT_EQ(m_graph->AddFilter(m_filter.Get(), nullptr), S_OK);
        ASSERT_EQ(m_graph.As(m_control), S_OK);
        ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, m_filter.Get(), nullptr, nullptr),
                  VFW_S_NOPREVIEWPIN);
        ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, m_filter.Get(), IID_IFrameTap,
                                         m_tap.ReleaseAndGetVoidAddress()),
                  S_OK);
        ASSERT_EQ(m_tap->SetFrameSink(&m_sink), S_OK);
    }
    void TearDown() override {
        if (m_tap)
            m_tap->SetFrameSink(nullptr);
    }

    // Asks for the capability at `index` with the given frame interval.
    HRESULT SelectCapability(int index, REFERENCE_TIME interval_100ns) {
        AM_MEDIA_TYPE* pmt = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        EXPECT_EQ(m_config->GetStreamCaps(index, &pmt, reinterpret_cast<BYTE*>(&caps)), S_OK);
        reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat)->AvgTimePerFrame = interval_100ns;
        const HRESULT hr = m_config->SetFormat(pmt);
        DeleteMediaType(pmt);
        return hr;
    }

    uint64_t Delivered() {
        return static_cast<CLiveCaptureFilter*>(m_filter.Get())->FramesDelivered();
    }
    // Frames delivered once the camera clock has moved on by `advance_ms` and the streaming
    // thread has had time to act on it.
    uint64_t DeliveredAfter(int64_t advance_ms) {
        m_clock->Advance(advance_ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return Delivered();
    }

    std::shared_ptr<CManualSimClock> m_clock = std::make_shared<CManualSimClock>(0);
    std::shared_ptr<CSimCamera> m_camera;
    CFrameSizeSink m_sink;  // outlives the renderer it is handed to
    ComPtr<IBaseFilter> m_filter;
    ComPtr<IAMStreamConfig> m_config;
    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaControl> m_control;
    ComPtr<IFrameTap> m_tap;
};

TEST_F(SimVideoTest, OffersRenderableVideoInfoFormatsAndTakesOnlyThose) {
    Make();
    int count = 0, size = 0;
    ASSERT_EQ(m_config->GetNumberOfCapabilities(&count, &size), S_OK);
    AM_MEDIA_TYPE* pmt = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps;
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(m_config->GetStreamCaps(i, &pmt, reinterpret_cast<BYTE*>(&caps)), S_OK);
        ASSERT_EQ(pmt->formattype, FORMAT_VideoInfo);
        ASSERT_GE(pmt->cbFormat, sizeof(VIDEOINFOHEADER));
        const auto& bmi = reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat)->bmiHeader;
        VideoFrameRef layout;
        ASSERT_TRUE(DescribeVideoType(*pmt, layout)) << "the renderers must take every format";
        EXPECT_EQ(layout.FrameBytes(), pmt->lSampleSize) << i;
        EXPECT_EQ(i == kRgb640,
                  bmi.biCompression == BI_RGB && bmi.biWidth == 640 && bmi.biHeight == 480)
            << i;
        DeleteMediaType(pmt);
    }
    EXPECT_EQ(m_config->GetStreamCaps(count, &pmt, reinterpret_cast<BYTE*>(&caps)), S_FALSE);

    ASSERT_EQ(SelectCapability(kRgb640, 10'000'000), S_OK);
    ASSERT_EQ(m_config->GetFormat(&pmt), S_OK);
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat);
    EXPECT_EQ(vih->AvgTimePerFrame, 10'000'000);
    vih->bmiHeader.biHeight = -480;  // not offered
    EXPECT_EQ(m_config->SetFormat(pmt), VFW_E_INVALIDMEDIATYPE);
    DeleteMediaType(pmt);
    for (REFERENCE_TIME interval : {10'000'001, 333'332})
        EXPECT_EQ(SelectCapability(kRgb640, interval), VFW_E_INVALIDMEDIATYPE) << interval;
    // Once a renderer is connected only the rate may change; while running nothing may.
    Render();
    EXPECT_EQ(SelectCapability(0, 10'000'000), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(SelectCapability(kRgb640, 2'000'000), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    EXPECT_EQ(SelectCapability(kRgb640, 10'000'000), VFW_E_NOT_STOPPED);
    EXPECT_EQ(m_control->Stop(), S_OK);
}

TEST_F(SimVideoTest, FramesComeAtTheChosenIntervalOfTheCameraClockOnlyWhileRunningNotPaused) {
    Make();
    ASSERT_EQ(SelectCapability(kRgb640, 2'000'000), S_OK);  // 5 per second
    Render();
    ASSERT_EQ(m_control->Run(), S_OK);
    EXPECT_TRUE(m_camera->Firmware().IsStreaming());
    ASSERT_TRUE(WaitUntil([&] { return Delivered() == 1; }));
    EXPECT_EQ(DeliveredAfter(199), 1u);
    m_clock->Advance(1);
    ASSERT_TRUE(WaitUntil([&] { return Delivered() == 2; }));
    EXPECT_EQ(DeliveredAfter(5'000), 3u) << "a long stall brings one frame, not a burst";
    EXPECT_EQ(m_sink.m_width, 640);
    EXPECT_EQ(m_sink.m_height, 480);

    // Pause stops the stream and the firmware until run again.
    ASSERT_EQ(m_filter->Pause(), S_OK);  // joins the streaming thread
    EXPECT_FALSE(m_camera->Firmware().IsStreaming());
    EXPECT_EQ(DeliveredAfter(10'000), 3u);
    ASSERT_EQ(m_filter->Run(0), S_OK);
    EXPECT_TRUE(m_camera->Firmware().IsStreaming());
    ASSERT_TRUE(WaitUntil([&] { return Delivered() == 4; }));

    // A graph that goes stops its filters: FilterBaseTest.
    ASSERT_EQ(m_control->Stop(), S_OK);  // joins the streaming thread
    EXPECT_FALSE(m_camera->Firmware().IsStreaming());
    EXPECT_EQ(DeliveredAfter(10'000), 4u);
}

// The stream is lost at a scripted frame, or with the cable: by the script's time or pulled by
// hand. A real camera's video goes with its property calls, so the simulator's does too. The
// status the abort carries, and that no frame follows, are LiveCaptureFilterTest's.
TEST_F(SimVideoTest, EachWayTheStreamIsLostRaisesErrorAbort) {
    const struct {
        const char* name;
        uint64_t failAtFrame;
        int64_t unplugAfter_ms;
        bool bPull;
    } ways[] = {{"AtTheSecondFrame", 2, 0, false},
                {"UnpluggedByTime", 0, 1'000, false},
                {"CablePulled", 0, 0, true}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        SimCameraConfig config;
        config.firmware.unplugAfter_ms = way.unplugAfter_ms;
        Make(way.failAtFrame, config);
        Render();
        ComPtr<IMediaEventEx> events;
        ASSERT_EQ(m_graph.As(events), S_OK);
        ASSERT_EQ(m_control->Run(), S_OK);
        ASSERT_TRUE(WaitUntil([&] { return Delivered() == 1; }));
        if (way.bPull)
            m_camera->Firmware().Unplug();
        m_clock->Advance(1'000);
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 20'000), S_OK);
        EXPECT_EQ(code, EC_ERRORABORT);
        EXPECT_EQ(m_control->Stop(), S_OK);
    }
}

// Records what each watch is told: "+" for a start, "-" for a stop, "x" when it goes.
class CRecordingObserver : public ISimStreamObserver {
public:
    std::unique_ptr<ISimStreamWatch> Watch(std::shared_ptr<CSimCamera> camera) override {
        EXPECT_NE(camera, nullptr);
        m_log.emplace_back();  // a deque: the watches keep references into it
        return std::make_unique<CWatch>(m_log.back());
    }
    std::deque<std::string> m_log;  // one entry per watch

private:
    class CWatch : public ISimStreamWatch {
    public:
        explicit CWatch(std::string& log) : m_log(log) {}
        ~CWatch() override { m_log += "x"; }
        void OnStreamStarted() override { m_log += "+"; }
        void OnStreamStopped() override { m_log += "-"; }

    private:
        std::string& m_log;
    };
};

TEST_F(SimVideoTest, EachFilterIsWatchedFromItsMakingToItsReleaseWhichStopsTheCamera) {
    const auto observer = std::make_shared<CRecordingObserver>();
    SetSimStreamObserver(observer);
    Make();
    FILTER_INFO info;
    ASSERT_EQ(m_filter->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"Standard_Camera");
    EXPECT_EQ(info.pGraph, nullptr);
    ASSERT_EQ(m_filter->Run(0), S_OK);
    ASSERT_EQ(m_filter->Stop(), S_OK);
    ASSERT_EQ(m_filter->Run(0), S_OK);
    EXPECT_TRUE(m_camera->Firmware().IsStreaming());
    m_config = nullptr;
    m_filter = nullptr;  // released while running, outside a graph: stopped, then the watch goes
    EXPECT_FALSE(m_camera->Firmware().IsStreaming());
    // A camera that keeps its stream to itself is not watched.
    const auto quiet = SimFilter(m_camera, SimVideoConfig{.bLensPanel = FALSE});
    ASSERT_EQ(quiet->Run(0), S_OK);
    ASSERT_EQ(quiet->Stop(), S_OK);
    SetSimStreamObserver(nullptr);
    EXPECT_EQ(observer->m_log, std::deque<std::string>{"+-+-x"});
}

}  // namespace
