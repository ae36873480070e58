// The filter graph, the capture graph builder and the video renderer, with scripted sources.
#include <atomic>
#include <thread>

#include "TestSource.h"
#include "platform/dshow/StreamInterfaces.h"
#include "platform/renderer/VideoRenderer.h"
#include "platform/renderer/VideoRendererWindow.h"
#include "support/CreateInstance.h"
#include "support/DShowClassesEnvironment.h"
#include "support/LeakCheck.h"
#include "support/MessageRecorder.h"
#include "support/SpinUntil.h"

namespace {

// A 4 x 2 bottom-up RGB24 frame, rows padded to 12 bytes; the top-left pixel is pure blue
// (B G R = 255 0 0) and lies in the second stored row.
constexpr BYTE kFrame[24] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255};

class GraphTest : public LeakCheckedTest {
public:
    GraphTest() { InstallWindowSystem(); }  // FindWindow reaches the renderer's window through it

protected:
    void SetUp() override {
        m_graph = CreateInstance<IGraphBuilder>(CLSID_FilterGraph);
        m_builder = CreateInstance<ICaptureGraphBuilder>(CLSID_CaptureGraphBuilder);
        ASSERT_EQ(m_builder->SetFiltergraph(m_graph.Get()), S_OK);
        ASSERT_EQ(m_graph.As(m_control), S_OK);
        ASSERT_EQ(m_graph.As(m_events), S_OK);
        ASSERT_EQ(m_graph.As(m_sink), S_OK);
    }
    void Release() {
        m_source = nullptr;
        m_builder = nullptr;
        m_sink = nullptr;
        m_events = nullptr;
        m_control = nullptr;
        m_graph = nullptr;
    }

    HRESULT Render(bool bPreviewPin) {
        m_source = MakeComObject<CTestSource>(bPreviewPin);
        EXPECT_EQ(m_graph->AddFilter(m_source.Get(), nullptr), S_OK);
        return m_builder->RenderStream(&PIN_CATEGORY_PREVIEW, m_source.Get(), nullptr, nullptr);
    }
    // The next event's code and first parameter, or {0, 0} when none came in time.
    std::pair<LONG, LONG_PTR> NextEvent(LONG timeout_ms = 0) {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (m_events->GetEvent(&code, &p1, &p2, timeout_ms) != S_OK)
            return {0, 0};
        EXPECT_EQ(m_events->FreeEventParams(code, p1, p2), S_OK);
        return {code, p1};
    }

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaControl> m_control;
    ComPtr<IMediaEventEx> m_events;
    ComPtr<IMediaEventSink> m_sink;
    ComPtr<ICaptureGraphBuilder> m_builder;
    ComPtr<CTestSource> m_source;
};

TEST_F(GraphTest, RunStartsDownstreamFirstAndAFailureStopsWhatStarted) {
    std::vector<std::string> log;
    auto up = MakeComObject<CTestSource>(false, &log, S_OK, "up");
    auto down = MakeComObject<CTestSource>(false, &log, S_OK, "down");
    auto broken = MakeComObject<CTestSource>(false, &log, E_FAIL, "broken");
    ASSERT_EQ(m_graph->AddFilter(up.Get(), L"up"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(down.Get(), L"down"), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    EXPECT_EQ(m_control->Run(), S_OK);  // already running: nothing more happens
    ASSERT_EQ(m_control->Stop(), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"run down", "run up", "stop up", "stop down"}));

    log.clear();
    ASSERT_EQ(m_graph->RemoveFilter(up.Get()), S_OK);
    ASSERT_EQ(m_graph->RemoveFilter(down.Get()), S_OK);
    ASSERT_EQ(m_graph->AddFilter(broken.Get(), L"broken"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(down.Get(), L"down"), S_OK);
    EXPECT_EQ(m_control->Run(), E_FAIL);
    EXPECT_EQ(log, (std::vector<std::string>{"run down", "run broken", "stop down"}));
    for (CTestSource* filter : {down.Get(), broken.Get()}) {
        FILTER_STATE filterState = State_Running;
        EXPECT_EQ(filter->GetState(0, &filterState), S_OK);
        EXPECT_EQ(filterState, State_Stopped);
    }
}

TEST_F(GraphTest, PauseFromRunningPausesTheGraphAndRunStartsItAgain) {
    std::vector<std::string> log;
    auto up = MakeComObject<CTestSource>(false, &log, S_OK, "up");
    auto down = MakeComObject<CTestSource>(false, &log, S_OK, "down");
    ASSERT_EQ(m_graph->AddFilter(up.Get(), L"up"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(down.Get(), L"down"), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    ASSERT_EQ(m_control->Pause(), S_OK);
    OAFilterState state = State_Running;
    EXPECT_EQ(m_control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    ASSERT_EQ(m_control->Run(), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"run down", "run up", "stop up", "stop down",
                                             "run down", "run up"}));
    EXPECT_EQ(m_control->Stop(), S_OK);
}

TEST_F(GraphTest, EventsComeOutInOrderAndWakeAWaitingReader) {
    LONG code = 0;
    LONG_PTR p = 0;
    EXPECT_EQ(m_events->GetEvent(&code, &p, &p, 20), E_ABORT);
    m_sink->Notify(EC_USERABORT, 0, 0);
    m_sink->Notify(EC_ERRORABORT, E_FAIL, 0);
    EXPECT_EQ(NextEvent(), std::make_pair(EC_USERABORT, LONG_PTR{0}));
    EXPECT_EQ(NextEvent(), std::make_pair(EC_ERRORABORT, LONG_PTR{E_FAIL}));
    EXPECT_EQ(NextEvent().first, 0);
    std::thread streaming([this] { m_sink->Notify(EC_COMPLETE, 0, 0); });
    EXPECT_EQ(NextEvent(-1).first, EC_COMPLETE);  // woken by the other thread
    streaming.join();
}

TEST_F(GraphTest, PreviewPinGoesStraightToTheRendererOtherwiseThroughATee) {
    // Each source gets its own renderer in the one graph; the window is found downstream of
    // the pin that feeds it, on no other category.
    for (const bool bPreviewPin : {true, false}) {
        SCOPED_TRACE(bPreviewPin);
        const GUID& fed = bPreviewPin ? PIN_CATEGORY_PREVIEW : PIN_CATEGORY_CAPTURE;
        const GUID& other = bPreviewPin ? PIN_CATEGORY_CAPTURE : PIN_CATEGORY_PREVIEW;
        ASSERT_EQ(Render(bPreviewPin), bPreviewPin ? S_OK : VFW_S_NOPREVIEWPIN);
        ComPtr<IVideoWindow> window;
        for (const GUID* category : {&fed, &other})
            EXPECT_EQ(m_builder->FindInterface(category, m_source.Get(), IID_IVideoWindow,
                                               window.ReleaseAndGetVoidAddress()),
                      category == &fed ? S_OK : E_NOINTERFACE);
        EXPECT_FALSE(window);
        if (bPreviewPin) {  // the preview pin is taken now
            EXPECT_EQ(
                m_builder->RenderStream(&PIN_CATEGORY_PREVIEW, m_source.Get(), nullptr, nullptr),
                VFW_E_ALREADY_CONNECTED);
        }
    }
}

TEST_F(GraphTest, ClosingTheWindowAndABadSampleAreAnnouncedToTheNotifyWindow) {
    ASSERT_EQ(Render(true), S_OK);
    CMessageRecorder notify;
    ASSERT_EQ(m_events->SetNotifyWindow(HwndFromWidget(&notify), WM_USER + 1, 0), S_OK);
    // Stopped: samples are dropped, not refused.
    EXPECT_EQ(m_source->Preview()->Deliver(kFrame, 24, 0), S_FALSE);
    ASSERT_EQ(m_control->Run(), S_OK);
    QWidget* renderer = WidgetFromHwnd(FindWindow(nullptr, kVideoRendererTitle));
    ASSERT_NE(renderer, nullptr);
    renderer->close();
    EXPECT_EQ(m_source->Preview()->Deliver(kFrame, 10, 0), VFW_E_TYPE_NOT_ACCEPTED);
    QCoreApplication::processEvents();
    EXPECT_EQ(NextEvent().first, EC_USERABORT);
    EXPECT_EQ(NextEvent().first, EC_ERRORABORT);
    EXPECT_EQ(notify.m_messages, (MessageList{{WM_USER + 1, 0, 0}, {WM_USER + 1, 0, 0}}));
    ASSERT_EQ(m_events->SetNotifyWindow(nullptr, 0, 0), S_OK);  // none once it is unset
    m_sink->Notify(EC_COMPLETE, 0, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(notify.m_messages.size(), 2u);
    EXPECT_EQ(m_control->Stop(), S_OK);
}

TEST_F(GraphTest, TearingDownWhileFramesAreInFlightIsSafe) {
    ASSERT_EQ(Render(false), VFW_S_NOPREVIEWPIN);
    ASSERT_EQ(m_control->Run(), S_OK);
    std::atomic<bool> started{false};
    ComPtr<CTestSource> source = m_source;
    std::thread streaming([source, &started] {
        for (int i = 0; i < 300; ++i) {
            source->Capture()->Deliver(kFrame, 24, i);
            started = true;
        }
    });
    ASSERT_TRUE(SpinUntil([&] { return started.load(); }));
    // The test source has no thread of its own to join, so frames keep coming as the graph
    // goes: the renderer must outlive the samples it is handed, and its window its posts.
    Release();
    streaming.join();
    source->Capture()->Disconnect();
    source = nullptr;
    QCoreApplication::processEvents();
    EXPECT_EQ(FindWindow(nullptr, kVideoRendererTitle), nullptr);
}

}  // namespace
