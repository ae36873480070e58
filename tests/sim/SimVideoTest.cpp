// The simulated camera's video side, driven through the capture stand-in as the utility
// drives it: formats, the frame interval on an injected clock, both render paths, streaming
// that tells the firmware, stream failure, the lens panel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <thread>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/DeviceRegistry.h"
#include "platform/dshow/FrameConvert.h"
#include "platform/dshow/VideoRendererWindow.h"
#include "platform/win/WindowHandle.h"
#include "sim/SimCameraRegistration.h"
#include "sim/SimLensPanel.h"
#include "sim/SimVideoFormats.h"
#include "win/QtTestApp.h"

namespace {

// Spins the event loop until `done`, with a deadline far beyond any machine's need.
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

class SimVideoTest : public testing::Test {
protected:
    void SetUp() override {
        EnsureQtApp();
        RegisterDShowClasses();
        ClearVideoInputDevices();
        m_objects = ComLiveObjectCount();
        m_blocks = CoTaskMemOutstanding();
    }
    void TearDown() override {
        m_control = nullptr;
        m_builder = nullptr;
        m_graph = nullptr;
        m_pin = nullptr;
        m_config = nullptr;
        m_filter = nullptr;
        QCoreApplication::processEvents();
        ClearVideoInputDevices();
        EXPECT_EQ(ComLiveObjectCount(), m_objects);
        EXPECT_EQ(CoTaskMemOutstanding(), m_blocks);
    }

    // Registers a camera on the manual clock and binds it the way the utility finds it.
    void Bind(const SimVideoConfig& video) {
        m_camera = std::make_shared<CSimCamera>(SimCameraConfig{}, m_clock);
        RegisterSimulatedCamera(m_camera, video);
        ComPtr<ICreateDevEnum> devEnum;
        ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ICreateDevEnum, devEnum.ReleaseAndGetVoidAddress()),
                  S_OK);
        ComPtr<IEnumMoniker> e;
        ASSERT_EQ(devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory,
                                                 e.ReleaseAndGetAddressOf(), 0),
                  S_OK);
        ComPtr<IMoniker> moniker;
        ASSERT_EQ(e->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr), S_OK);
        ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                        m_filter.ReleaseAndGetVoidAddress()),
                  S_OK);
        ComPtr<IEnumPins> pins;
        ASSERT_EQ(m_filter->EnumPins(pins.ReleaseAndGetAddressOf()), S_OK);
        ASSERT_EQ(pins->Next(1, m_pin.ReleaseAndGetAddressOf(), nullptr), S_OK);
        ASSERT_EQ(m_pin.As(m_config), S_OK);
    }

    HRESULT BuildAndRender() {
        EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC, IID_IGraphBuilder,
                                   m_graph.ReleaseAndGetVoidAddress()),
                  S_OK);
        EXPECT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder, nullptr, CLSCTX_INPROC,
                                   IID_ICaptureGraphBuilder, m_builder.ReleaseAndGetVoidAddress()),
                  S_OK);
        EXPECT_EQ(m_builder->SetFiltergraph(m_graph.Get()), S_OK);
        EXPECT_EQ(m_graph->AddFilter(m_filter.Get(), nullptr), S_OK);
        EXPECT_EQ(m_graph.As(m_control), S_OK);
        return m_builder->RenderStream(&PIN_CATEGORY_PREVIEW, m_filter.Get(), nullptr, nullptr);
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

    CSimCaptureFilter& Sim() { return *static_cast<CSimCaptureFilter*>(m_filter.Get()); }

    std::shared_ptr<CManualSimClock> m_clock = std::make_shared<CManualSimClock>(0);
    std::shared_ptr<CSimCamera> m_camera;
    ComPtr<IBaseFilter> m_filter;
    ComPtr<IPin> m_pin;
    ComPtr<IAMStreamConfig> m_config;
    ComPtr<IGraphBuilder> m_graph;
    ComPtr<ICaptureGraphBuilder> m_builder;
    ComPtr<IMediaControl> m_control;
    long m_objects = 0;
    long m_blocks = 0;
};

SimVideoConfig NoPanel() {
    SimVideoConfig video;
    video.bLensPanel = FALSE;
    return video;
}

constexpr int kRgb640 = 2;  // the capability index of RGB24 640 x 480

TEST_F(SimVideoTest, OffersVideoInfoFormatsInTwoCompressionGroups) {
    Bind(NoPanel());
    int count = 0;
    int size = 0;
    ASSERT_EQ(m_config->GetNumberOfCapabilities(&count, &size), S_OK);
    EXPECT_EQ(size, static_cast<int>(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
    ASSERT_GE(count, 4);
    bool bRgb640 = false;
    bool bYuy2 = false;
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* pmt = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        ASSERT_EQ(m_config->GetStreamCaps(i, &pmt, reinterpret_cast<BYTE*>(&caps)), S_OK);
        ASSERT_EQ(pmt->formattype, FORMAT_VideoInfo);
        ASSERT_GE(pmt->cbFormat, sizeof(VIDEOINFOHEADER));
        const auto& bmi = reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat)->bmiHeader;
        EXPECT_EQ(caps.guid, FORMAT_VideoInfo);
        EXPECT_EQ(caps.InputSize.cx, bmi.biWidth);
        EXPECT_EQ(caps.MaxFrameInterval, 10'000'000);
        EXPECT_EQ(FrameBytes(*pmt), pmt->lSampleSize) << "the renderer must take every format";
        if (bmi.biCompression == BI_RGB && bmi.biWidth == 640 && bmi.biHeight == 480) {
            bRgb640 = true;
            EXPECT_EQ(i, kRgb640);
        }
        bYuy2 = bYuy2 || bmi.biCompression == MakeFourCC('Y', 'U', 'Y', '2');
        DeleteMediaType(pmt);
    }
    EXPECT_TRUE(bRgb640);
    EXPECT_TRUE(bYuy2);

    AM_MEDIA_TYPE* pmt = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps;
    EXPECT_EQ(m_config->GetStreamCaps(count, &pmt, reinterpret_cast<BYTE*>(&caps)), S_FALSE);
    EXPECT_EQ(m_config->GetStreamCaps(-1, &pmt, reinterpret_cast<BYTE*>(&caps)), E_INVALIDARG);
    EXPECT_EQ(pmt, nullptr);
}

TEST_F(SimVideoTest, SetFormatKeepsTheIntervalAndRefusesWhatIsNotOffered) {
    Bind(NoPanel());
    ASSERT_EQ(SelectCapability(kRgb640, 10'000'000), S_OK);
    AM_MEDIA_TYPE* pmt = nullptr;
    ASSERT_EQ(m_config->GetFormat(&pmt), S_OK);
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat)->AvgTimePerFrame, 10'000'000);
    // A size that is not offered, and intervals outside the range.
    auto& bmi = reinterpret_cast<VIDEOINFOHEADER*>(pmt->pbFormat)->bmiHeader;
    bmi.biHeight = -480;
    EXPECT_EQ(m_config->SetFormat(pmt), VFW_E_INVALIDMEDIATYPE);
    DeleteMediaType(pmt);
    EXPECT_EQ(SelectCapability(kRgb640, 10'000'001), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(SelectCapability(kRgb640, 333'332), VFW_E_INVALIDMEDIATYPE);
    EXPECT_EQ(m_config->SetFormat(nullptr), E_POINTER);

    // Once a renderer is connected only the rate may change; while running nothing may.
    ASSERT_EQ(BuildAndRender(), VFW_S_NOPREVIEWPIN);
    EXPECT_EQ(SelectCapability(0, 10'000'000), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(SelectCapability(kRgb640, 2'000'000), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    EXPECT_EQ(SelectCapability(kRgb640, 10'000'000), VFW_E_NOT_STOPPED);
    EXPECT_EQ(m_control->Stop(), S_OK);
}

TEST_F(SimVideoTest, FramesComeAtTheChosenIntervalOfTheCameraClock) {
    Bind(NoPanel());
    ASSERT_EQ(SelectCapability(kRgb640, 10'000'000), S_OK);
    ASSERT_EQ(BuildAndRender(), VFW_S_NOPREVIEWPIN);
    ASSERT_EQ(m_control->Run(), S_OK);
    ASSERT_TRUE(SpinUntil([&] { return Sim().FramesDelivered() == 1; }));

    // 999 ms of camera time is not a second: no second frame, however long we wait.
    m_clock->Advance(999);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Sim().FramesDelivered(), 1u);
    m_clock->Advance(1);
    ASSERT_TRUE(SpinUntil([&] { return Sim().FramesDelivered() == 2; }));
    // A long stall brings one frame, not a burst to catch up.
    m_clock->Advance(5'000);
    ASSERT_TRUE(SpinUntil([&] { return Sim().FramesDelivered() == 3; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Sim().FramesDelivered(), 3u);

    auto* window = static_cast<CVideoRendererWindow*>(
        WidgetFromHwnd(FindWindow(nullptr, kVideoRendererTitle)));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(SpinUntil([&] { return window->FramesShown() >= 1; }));
    EXPECT_EQ(window->Frame().size(), QSize(640, 480));

    ASSERT_EQ(m_control->Stop(), S_OK);  // joins the streaming thread
    m_clock->Advance(10'000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Sim().FramesDelivered(), 3u);
}

TEST_F(SimVideoTest, APreviewPinIsRenderedWithoutATeeAndCarriesFramesToo) {
    SimVideoConfig video = NoPanel();
    video.bPreviewPin = TRUE;
    Bind(video);
    ASSERT_EQ(SelectCapability(0, 10'000'000), S_OK);  // YUY2 640 x 480
    ASSERT_EQ(BuildAndRender(), S_OK);
    ComPtr<IVideoWindow> window;
    EXPECT_EQ(m_builder->FindInterface(&PIN_CATEGORY_PREVIEW, m_filter.Get(), IID_IVideoWindow,
                                       window.ReleaseAndGetVoidAddress()),
              S_OK);
    window = nullptr;
    ASSERT_EQ(m_control->Run(), S_OK);
    auto* rw = static_cast<CVideoRendererWindow*>(
        WidgetFromHwnd(FindWindow(nullptr, kVideoRendererTitle)));
    ASSERT_NE(rw, nullptr);
    ASSERT_TRUE(SpinUntil([&] { return rw->FramesShown() >= 1; }));
    EXPECT_EQ(m_control->Stop(), S_OK);
}

TEST_F(SimVideoTest, TheFirmwareHearsOfStreamingOnlyWhileTheGraphRuns) {
    Bind(NoPanel());
    ASSERT_EQ(BuildAndRender(), VFW_S_NOPREVIEWPIN);
    CSimFirmware& firmware = m_camera->Firmware();
    EXPECT_FALSE(firmware.IsStreaming());
    ASSERT_EQ(m_control->Run(), S_OK);
    EXPECT_TRUE(firmware.IsStreaming());
    ASSERT_EQ(m_control->Stop(), S_OK);
    EXPECT_FALSE(firmware.IsStreaming());
    // A graph released while running stops the camera too.
    ASSERT_EQ(m_control->Run(), S_OK);
    m_control = nullptr;
    m_builder = nullptr;
    m_graph = nullptr;
    EXPECT_FALSE(firmware.IsStreaming());
}

TEST_F(SimVideoTest, AStreamThatFailsRaisesErrorAbortAndStops) {
    SimVideoConfig video = NoPanel();
    video.failAtFrame = 2;
    Bind(video);
    ASSERT_EQ(BuildAndRender(), VFW_S_NOPREVIEWPIN);
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(m_graph.As(events), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    ASSERT_TRUE(SpinUntil([&] { return Sim().FramesDelivered() == 1; }));
    m_clock->Advance(1'000);
    LONG code = 0;
    LONG_PTR p1 = 0;
    LONG_PTR p2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 20'000), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(p1, static_cast<LONG_PTR>(HRESULT_DEVICE_NOT_CONNECTED));
    m_clock->Advance(5'000);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Sim().FramesDelivered(), 1u);
    EXPECT_EQ(m_control->Stop(), S_OK);
}

TEST_F(SimVideoTest, OnlyACompressorPinDescribesItself) {
    Bind(NoPanel());
    ComPtr<IAMVideoCompression> compression;
    ASSERT_EQ(m_pin.As(compression), S_OK);
    wchar_t version[20];
    wchar_t description[40];
    int cbVersion = 40;
    int cbDescription = 80;
    EXPECT_EQ(compression->GetInfo(version, &cbVersion, description, &cbDescription, nullptr,
                                   nullptr, nullptr, nullptr),
              E_NOTIMPL);
    compression = nullptr;
    m_config = nullptr;
    m_pin = nullptr;
    m_filter = nullptr;
    ClearVideoInputDevices();

    SimVideoConfig video = NoPanel();
    video.bCompressorPin = TRUE;
    Bind(video);
    ASSERT_EQ(m_pin.As(compression), S_OK);
    // Sizes are in bytes, so 80 bytes hold 19 characters and the zero; nothing beyond.
    std::fill(std::begin(description), std::end(description), L'#');
    const int cbRoom = 20 * static_cast<int>(sizeof(wchar_t));
    cbDescription = cbRoom;
    EXPECT_EQ(compression->GetInfo(version, &cbVersion, description, &cbDescription, nullptr,
                                   nullptr, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(std::wstring(version), L"1.0");
    EXPECT_EQ(description[19], L'\0');
    EXPECT_EQ(description[20], L'#');
    EXPECT_GT(cbDescription, cbRoom) << "the size needed comes back";
}

TEST_F(SimVideoTest, TheLensPanelTurnsTheLensWhileStreaming) {
    SimVideoConfig video;
    video.bLensPanel = TRUE;
    Bind(video);
    EXPECT_EQ(Sim().LensPanel(), nullptr);
    ASSERT_EQ(BuildAndRender(), VFW_S_NOPREVIEWPIN);
    ASSERT_EQ(m_control->Run(), S_OK);
    CSimLensPanel* panel = Sim().LensPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(FindWindow(nullptr, kSimLensPanelTitle), HwndFromWidget(panel));
    const int before = m_camera->Scene().GetLensPosition();
    QKeyEvent up(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
    QApplication::sendEvent(panel, &up);
    EXPECT_EQ(m_camera->Scene().GetLensPosition(), before + 25);
    ASSERT_EQ(m_control->Stop(), S_OK);
    m_control = nullptr;
    m_builder = nullptr;
    m_graph = nullptr;
    m_config = nullptr;
    m_pin = nullptr;
    m_filter = nullptr;
    EXPECT_EQ(FindWindow(nullptr, kSimLensPanelTitle), nullptr) << "the panel goes with the filter";
}

TEST(SimVideoFormatsTest, Yuy2FramesDecodeBackToTheirColours) {
    // Two pixel pairs of one colour each, so shared chroma loses nothing.
    const BYTE bgr[12] = {0, 0, 255, 0, 0, 255, 200, 100, 50, 200, 100, 50};
    const SimVideoFormat format{MEDIASUBTYPE_YUY2, MakeFourCC('Y', 'U', 'Y', '2'), 16, 4, 1};
    BYTE yuy2[8] = {};
    BgrToYuy2(bgr, 4, 1, yuy2, SimRowBytes(format));
    AM_MEDIA_TYPE mt = SimMediaType(format, 10'000'000);
    const QImage image = ConvertFrame(mt, yuy2, sizeof yuy2);
    FreeMediaType(mt);
    ASSERT_FALSE(image.isNull());
    const QRgb red = image.pixel(1, 0);
    const QRgb other = image.pixel(2, 0);
    EXPECT_NEAR(qRed(red), 255, 3);
    EXPECT_NEAR(qGreen(red), 0, 3);
    EXPECT_NEAR(qBlue(red), 0, 3);
    EXPECT_NEAR(qRed(other), 50, 3);
    EXPECT_NEAR(qGreen(other), 100, 3);
    EXPECT_NEAR(qBlue(other), 200, 3);
}

}  // namespace
