#include <QCoreApplication>
#include <atomic>
#include <thread>
#include <vector>

#include "LeakCheck.h"
#include "MessageRecorder.h"
#include "TestSource.h"
#include "fakes/DShowClassesEnvironment.h"
#include "platform/dshow/VideoRenderer.h"
#include "platform/dshow/VideoRendererWindow.h"

namespace {

class CaptureGraphBuilderTest : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC, IID_IGraphBuilder,
                                   m_graph.ReleaseAndGetVoidAddress()),
                  S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder, nullptr, CLSCTX_INPROC,
                                   IID_ICaptureGraphBuilder, m_builder.ReleaseAndGetVoidAddress()),
                  S_OK);
        ASSERT_EQ(m_builder->SetFiltergraph(m_graph.Get()), S_OK);
    }
    void TearDown() override {
        m_source = nullptr;
        m_builder = nullptr;
        m_graph = nullptr;
        LeakCheckedTest::TearDown();
    }

    HRESULT Render(bool bPreviewPin) {
        m_source = MakeTestSource(bPreviewPin);
        EXPECT_EQ(m_graph->AddFilter(m_source.Get(), nullptr), S_OK);
        return m_builder->RenderStream(&PIN_CATEGORY_PREVIEW, m_source.Get(), nullptr, nullptr);
    }

    int FilterCount() {
        ComPtr<IEnumFilters> e;
        EXPECT_EQ(m_graph->EnumFilters(e.ReleaseAndGetAddressOf()), S_OK);
        int count = 0;
        ComPtr<IBaseFilter> f;
        while (e->Next(1, f.ReleaseAndGetAddressOf(), nullptr) == S_OK)
            ++count;
        return count;
    }

    HRESULT FindWindowOn(const GUID& category, ComPtr<IVideoWindow>& window) {
        return m_builder->FindInterface(&category, m_source.Get(), IID_IVideoWindow,
                                        window.ReleaseAndGetVoidAddress());
    }

    CVideoRendererWindow* RendererWindow() {
        return static_cast<CVideoRendererWindow*>(
            WidgetFromHwnd(FindWindow(nullptr, kVideoRendererTitle)));
    }

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<ICaptureGraphBuilder> m_builder;
    ComPtr<CTestSource> m_source;
};

// A 4 x 2 bottom-up RGB24 frame, rows padded to 12 bytes; the top-left pixel is pure blue
// (B G R = 255 0 0) and lies in the second stored row.
std::vector<BYTE> TestFrame() {
    std::vector<BYTE> frame(24, 0);
    frame[12] = 255;
    return frame;
}

TEST_F(CaptureGraphBuilderTest, PreviewPinIsRenderedStraightToTheRenderer) {
    ASSERT_EQ(Render(true), S_OK);
    EXPECT_EQ(FilterCount(), 2);
    ComPtr<IVideoWindow> window;
    EXPECT_EQ(FindWindowOn(PIN_CATEGORY_PREVIEW, window), S_OK);
    EXPECT_TRUE(window);
    EXPECT_EQ(FindWindowOn(PIN_CATEGORY_CAPTURE, window), E_NOINTERFACE);
    EXPECT_FALSE(window);
    // The preview pin is taken now.
    EXPECT_EQ(m_builder->RenderStream(&PIN_CATEGORY_PREVIEW, m_source.Get(), nullptr, nullptr),
              VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(FilterCount(), 2);
}

TEST_F(CaptureGraphBuilderTest, WithoutPreviewPinTheCapturePinIsSplitThroughATee) {
    ASSERT_EQ(Render(false), VFW_S_NOPREVIEWPIN);
    EXPECT_EQ(FilterCount(), 3);
    ComPtr<IVideoWindow> window;
    EXPECT_EQ(FindWindowOn(PIN_CATEGORY_CAPTURE, window), S_OK);
    EXPECT_EQ(FindWindowOn(PIN_CATEGORY_PREVIEW, window), E_NOINTERFACE);

    // The capture pin itself answers for its own interfaces.
    ComPtr<IPin> pin;
    EXPECT_EQ(m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, m_source.Get(), IID_IPin,
                                       pin.ReleaseAndGetVoidAddress()),
              S_OK);
    EXPECT_EQ(pin.Get(), static_cast<IPin*>(m_source->Capture()));
    // Without a category the search starts at the filter.
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(m_builder->FindInterface(nullptr, m_source.Get(), IID_IBaseFilter,
                                       filter.ReleaseAndGetVoidAddress()),
              S_OK);
    EXPECT_EQ(filter.Get(), static_cast<IBaseFilter*>(m_source.Get()));
}

TEST_F(CaptureGraphBuilderTest, RefusesWhatItCannotBuild) {
    ComPtr<ICaptureGraphBuilder> lone;
    ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder, nullptr, CLSCTX_INPROC,
                               IID_ICaptureGraphBuilder, lone.ReleaseAndGetVoidAddress()),
              S_OK);
    auto source = MakeTestSource(true);
    EXPECT_EQ(lone->RenderStream(&PIN_CATEGORY_PREVIEW, source.Get(), nullptr, nullptr),
              E_UNEXPECTED);
    EXPECT_EQ(m_builder->RenderStream(&PIN_CATEGORY_PREVIEW, source.Get(), source.Get(), nullptr),
              E_NOTIMPL);
    EXPECT_EQ(m_builder->SetFiltergraph(m_graph.Get()), E_UNEXPECTED);
    ComPtr<IVideoWindow> window;
    EXPECT_EQ(m_builder->FindInterface(&PIN_CATEGORY_PREVIEW, source.Get(), IID_IVideoWindow,
                                       window.ReleaseAndGetVoidAddress()),
              E_NOINTERFACE);
}

TEST_F(CaptureGraphBuilderTest, RendererWindowIsTitledAndPlacedByPutTop) {
    ASSERT_EQ(Render(false), VFW_S_NOPREVIEWPIN);
    ComPtr<IVideoWindow> window;
    ASSERT_EQ(FindWindowOn(PIN_CATEGORY_CAPTURE, window), S_OK);
    EXPECT_EQ(window->put_Top(400), S_OK);
    LONG top = 0;
    EXPECT_EQ(window->get_Top(&top), S_OK);
    EXPECT_EQ(top, 400);
    BSTR caption = nullptr;
    ASSERT_EQ(window->get_Caption(&caption), S_OK);
    EXPECT_EQ(std::wstring(caption), L"ActiveMovie Window");
    SysFreeString(caption);
    ASSERT_NE(RendererWindow(), nullptr);
    EXPECT_EQ(RendererWindow()->y(), 400);
}

TEST_F(CaptureGraphBuilderTest, FramesReachTheWindowAndOnlyTheLatestWaits) {
    ASSERT_EQ(Render(false), VFW_S_NOPREVIEWPIN);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(m_graph.As(control), S_OK);
    const auto frame = TestFrame();
    // Stopped: samples are dropped, not refused.
    EXPECT_EQ(m_source->Capture()->Deliver(frame.data(), 24, 0), S_FALSE);
    ASSERT_EQ(control->Run(), S_OK);
    CVideoRendererWindow* window = RendererWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m_source->Capture()->Deliver(frame.data(), 24, i), S_OK);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->FramesShown(), 1u);
    const QImage& shown = window->Frame();
    ASSERT_EQ(shown.size(), QSize(4, 2));
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(0, 1), qRgb(0, 0, 0));
    EXPECT_EQ(control->Stop(), S_OK);
}

TEST_F(CaptureGraphBuilderTest, ClosingTheWindowAndBadSamplesRaiseEvents) {
    ASSERT_EQ(Render(true), S_OK);
    CMessageRecorder notify;
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(m_graph.As(events), S_OK);
    ASSERT_EQ(events->SetNotifyWindow(HwndFromWidget(&notify), WM_USER + 1, 0), S_OK);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(m_graph.As(control), S_OK);
    ASSERT_EQ(control->Run(), S_OK);

    ASSERT_NE(RendererWindow(), nullptr);
    RendererWindow()->close();
    const BYTE shortFrame[10] = {};
    EXPECT_EQ(m_source->Preview()->Deliver(shortFrame, sizeof shortFrame, 0),
              VFW_E_TYPE_NOT_ACCEPTED);
    QCoreApplication::processEvents();

    LONG code = 0;
    LONG_PTR p1 = 0;
    LONG_PTR p2 = 0;
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_USERABORT);
    ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    EXPECT_EQ(notify.m_messages.size(), 2u);
    EXPECT_EQ(control->Stop(), S_OK);
}

TEST_F(CaptureGraphBuilderTest, TearingDownWhileFramesAreInFlightIsSafe) {
    ASSERT_EQ(Render(false), VFW_S_NOPREVIEWPIN);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(m_graph.As(control), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    std::atomic<bool> started{false};
    ComPtr<CTestSource> source = m_source;
    std::thread streaming([source, &started] {
        const auto frame = TestFrame();
        for (int i = 0; i < 300; ++i) {
            source->Capture()->Deliver(frame.data(), 24, i);
            started = true;
        }
    });
    while (!started)
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    // The test source has no thread of its own to join, so frames keep coming as the graph
    // goes: the renderer must outlive the samples it is handed, and its window its posts.
    control = nullptr;
    m_source = nullptr;
    m_builder = nullptr;
    m_graph = nullptr;
    streaming.join();
    source->Capture()->Disconnect();
    source = nullptr;
    QCoreApplication::processEvents();
    EXPECT_EQ(FindWindow(nullptr, kVideoRendererTitle), nullptr);
}

}  // namespace
