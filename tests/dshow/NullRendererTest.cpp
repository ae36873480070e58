// The renderer that shows nothing: what it offers and refuses, and a preview chain built,
// run and torn down on it through the capture graph builder without any window.
#include "fakes/TestSource.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/NullRenderer.h"
#include "platform/dshow/StreamInterfaces.h"
#include "support/CreateInstance.h"
#include "support/DShowClassesEnvironment.h"
#include "support/LeakCheck.h"
#include "support/Rgb24Type.h"

#include <vector>

namespace {

constexpr BYTE kFrame[24] = {};

// Remembers the frames a tap tells of.
struct CRecordingSink : IFrameSink {
    std::vector<VideoFrameRef> frames;
    void OnFrame(const VideoFrameRef& frame) override { frames.push_back(frame); }
};

class NullRendererTest : public LeakCheckedTest {
public:
    ~NullRendererTest() override { CoRevokeClass(CLSID_VideoRenderer); }  // no default again
};

TEST_F(NullRendererTest, OffersTheFilterAndVideoWindowAndItsPinTakesOnlyVideo) {
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(CNullRenderer::CreateInstance(IID_IBaseFilter, renderer.ReleaseAndGetVoidAddress()),
              S_OK);
    ComPtr<IVideoWindow> window;
    ASSERT_EQ(renderer.As(window), S_OK);
    ComPtr<IKsPropertySet> props;
    EXPECT_EQ(renderer.As(props), E_NOINTERFACE);
    ComPtr<IMediaControl> control;
    EXPECT_EQ(renderer.As(control), E_NOINTERFACE);

    ComPtr<IEnumPins> pins;
    ASSERT_EQ(renderer->EnumPins(pins.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IPin> input;
    ASSERT_EQ(pins->Next(1, input.ReleaseAndGetAddressOf(), nullptr), S_OK);
    PIN_DIRECTION dir = PINDIR_OUTPUT;
    EXPECT_EQ(input->QueryDirection(&dir), S_OK);
    EXPECT_EQ(dir, PINDIR_INPUT);
    EXPECT_EQ(CNullRenderer::CreateInstance(IID_IBaseFilter, nullptr), E_POINTER);

    // It takes video and refuses anything else.
    auto source = MakeComObject<CTestSource>(true);
    AM_MEDIA_TYPE audio = MakeRgb24Type(4, 2);
    audio.majortype = GUID_NULL;
    EXPECT_EQ(input->ReceiveConnection(source->Preview(), &audio), VFW_E_TYPE_NOT_ACCEPTED);
    FreeMediaType(audio);
    AM_MEDIA_TYPE video = MakeRgb24Type(4, 2);
    EXPECT_EQ(input->ReceiveConnection(source->Preview(), &video), S_OK);
    FreeMediaType(video);
    EXPECT_EQ(input->Disconnect(), S_OK);
    EXPECT_EQ(pins->Next(1, input.ReleaseAndGetAddressOf(), nullptr), S_FALSE);
}

// Through the capture pin and its tee, as the simulated camera renders; the builder's two
// chains are RenderStreamTest's.
TEST_F(NullRendererTest, AsTheDefaultRendererAPreviewRunsWithNoWindow) {
    RegisterNullRenderer();
    auto graph = CreateInstance<IGraphBuilder>(CLSID_FilterGraph);
    auto builder = CreateInstance<ICaptureGraphBuilder>(CLSID_CaptureGraphBuilder);
    ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
    auto source = MakeComObject<CTestSource>(false);
    ASSERT_EQ(graph->AddFilter(source.Get(), nullptr), S_OK);
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, source.Get(), nullptr, nullptr),
              VFW_S_NOPREVIEWPIN);
    ComPtr<IVideoWindow> window;
    ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, source.Get(), IID_IVideoWindow,
                                     window.ReleaseAndGetVoidAddress()),
              S_OK);
    EXPECT_EQ(window->put_Top(400), S_OK);

    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(control), S_OK);
    auto* pin = source->Capture();
    EXPECT_EQ(pin->Deliver(kFrame, sizeof kFrame, 0), S_FALSE);  // stopped: dropped
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(pin->Deliver(kFrame, sizeof kFrame, 0), S_OK);
    // The tap tells its sink of each frame with its layout, and nothing once taken back.
    ComPtr<IFrameTap> tap;
    ASSERT_EQ(window.As(tap), S_OK);
    CRecordingSink sink;
    EXPECT_EQ(tap->SetFrameSink(&sink), S_OK);
    EXPECT_EQ(pin->Deliver(kFrame, sizeof kFrame, 0), S_OK);
    EXPECT_EQ(pin->Deliver(kFrame, sizeof kFrame - 1, 0), S_OK) << "short: not told";
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].pData, kFrame);
    EXPECT_EQ(sink.frames[0].width, 4);
    EXPECT_EQ(sink.frames[0].rowBytes, 12u);
    EXPECT_TRUE(sink.frames[0].IsBottomUp());
    EXPECT_EQ(sink.frames[0].TopDownRow(0), kFrame + 12);
    EXPECT_EQ(tap->SetFrameSink(nullptr), S_OK);
    EXPECT_EQ(pin->Deliver(kFrame, sizeof kFrame, 0), S_OK);
    EXPECT_EQ(sink.frames.size(), 1u);
    ComPtr<IBaseFilter> renderer;
    ASSERT_EQ(window.As(renderer), S_OK);
    CLSID clsid{};
    EXPECT_EQ(renderer->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_NullRenderer);
    EXPECT_EQ(control->Stop(), S_OK);
}

}  // namespace
