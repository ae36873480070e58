#include <QCoreApplication>
#include <thread>

#include "LeakCheck.h"
#include "MessageRecorder.h"
#include "TestSource.h"
#include "platform/dshow/SmartTee.h"
#include "platform/dshow/StreamInterfaces.h"

namespace {

class FilterGraphTest : public LeakCheckedTest {
protected:
    void SetUp() override {
        LeakCheckedTest::SetUp();
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC, IID_IGraphBuilder,
                                   m_graph.ReleaseAndGetVoidAddress()),
                  S_OK);
        ASSERT_EQ(m_graph.As(m_control), S_OK);
        ASSERT_EQ(m_graph.As(m_events), S_OK);
    }
    void TearDown() override {
        m_events = nullptr;
        m_control = nullptr;
        m_graph = nullptr;
        LeakCheckedTest::TearDown();
    }

    void Notify(LONG code, LONG_PTR p1 = 0) {
        ComPtr<IMediaEventSink> sink;
        ASSERT_EQ(m_graph.As(sink), S_OK);
        sink->Notify(code, p1, 0);
    }

    ComPtr<IGraphBuilder> m_graph;
    ComPtr<IMediaControl> m_control;
    ComPtr<IMediaEventEx> m_events;
};

IFilterGraph* GraphOf(IBaseFilter* filter) {
    FILTER_INFO info;
    EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
    if (info.pGraph)
        info.pGraph->Release();
    return info.pGraph;
}

TEST_F(FilterGraphTest, OffersItsInterfacesAndRefusesOthers) {
    ComPtr<IFilterGraph> fg;
    ComPtr<IMediaEvent> me;
    ComPtr<IVideoWindow> vw;
    EXPECT_EQ(m_graph.As(fg), S_OK);
    EXPECT_EQ(m_graph.As(me), S_OK);
    EXPECT_EQ(m_graph.As(vw), E_NOINTERFACE);
}

TEST_F(FilterGraphTest, AddAndRemoveJoinAndLeaveTheGraph) {
    auto source = MakeTestSource(false);
    EXPECT_EQ(m_graph->AddFilter(nullptr, nullptr), E_POINTER);
    ASSERT_EQ(m_graph->AddFilter(source.Get(), nullptr), S_OK);
    EXPECT_EQ(m_graph->AddFilter(source.Get(), L"again"), E_INVALIDARG);
    ComPtr<IFilterGraph> fg;
    ASSERT_EQ(m_graph.As(fg), S_OK);
    EXPECT_EQ(GraphOf(source.Get()), fg.Get());

    ASSERT_EQ(m_graph->RemoveFilter(source.Get()), S_OK);
    EXPECT_EQ(GraphOf(source.Get()), nullptr);
    EXPECT_EQ(m_graph->RemoveFilter(source.Get()), VFW_E_NOT_FOUND);
}

TEST_F(FilterGraphTest, RemovingAFilterBreaksItsConnectionsBothWays) {
    auto source = MakeTestSource(false);
    ComPtr<IBaseFilter> tee(MakeComObject<CSmartTee>().Get());
    ASSERT_EQ(m_graph->AddFilter(source.Get(), L"source"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(tee.Get(), L"tee"), S_OK);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(tee->EnumPins(pins.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IPin> teeInput;
    ASSERT_EQ(pins->Next(1, teeInput.ReleaseAndGetAddressOf(), nullptr), S_OK);
    ASSERT_EQ(m_graph->ConnectDirect(source->Capture(), teeInput.Get(), nullptr), S_OK);

    ComPtr<IPin> peer;
    EXPECT_EQ(source->Capture()->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(peer.Get(), teeInput.Get());
    EXPECT_EQ(source->Capture()->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(m_graph->ConnectDirect(source->Capture(), teeInput.Get(), nullptr),
              VFW_E_ALREADY_CONNECTED);

    ASSERT_EQ(m_graph->RemoveFilter(tee.Get()), S_OK);
    EXPECT_EQ(source->Capture()->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
    EXPECT_FALSE(peer);
    EXPECT_EQ(teeInput->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(m_graph->Disconnect(teeInput.Get()), S_FALSE);
}

TEST_F(FilterGraphTest, ReleasingAConnectedGraphFreesEveryFilter) {
    auto source = MakeTestSource(false);
    ComPtr<IBaseFilter> tee(MakeComObject<CSmartTee>().Get());
    ASSERT_EQ(m_graph->AddFilter(source.Get(), nullptr), S_OK);
    ASSERT_EQ(m_graph->AddFilter(tee.Get(), nullptr), S_OK);
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(tee->EnumPins(pins.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IPin> teeInput;
    ASSERT_EQ(pins->Next(1, teeInput.ReleaseAndGetAddressOf(), nullptr), S_OK);
    ASSERT_EQ(m_graph->ConnectDirect(source->Capture(), teeInput.Get(), nullptr), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    // The leak check in TearDown sees whether the connection cycle was broken.
}

TEST_F(FilterGraphTest, RunStartsDownstreamFirstAndStopStartsUpstream) {
    std::vector<std::string> log;
    auto up = MakeComObject<CTestSource>(false, &log, S_OK, "up");
    auto down = MakeComObject<CTestSource>(false, &log, S_OK, "down");
    ASSERT_EQ(m_graph->AddFilter(up.Get(), L"up"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(down.Get(), L"down"), S_OK);

    ASSERT_EQ(m_control->Run(), S_OK);
    EXPECT_EQ(m_control->Run(), S_OK);  // already running: nothing more happens
    OAFilterState state = -1;
    EXPECT_EQ(m_control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    ASSERT_EQ(m_control->Stop(), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"run down", "run up", "stop up", "stop down"}));
    EXPECT_EQ(m_control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST_F(FilterGraphTest, AFilterThatCannotRunLeavesTheGraphStopped) {
    std::vector<std::string> log;
    auto up = MakeComObject<CTestSource>(false, &log, E_FAIL, "up");
    auto down = MakeComObject<CTestSource>(false, &log, S_OK, "down");
    ASSERT_EQ(m_graph->AddFilter(up.Get(), L"up"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(down.Get(), L"down"), S_OK);

    EXPECT_EQ(m_control->Run(), E_FAIL);
    EXPECT_EQ(log, (std::vector<std::string>{"run down", "run up", "stop down"}));
    FILTER_STATE state = State_Running;
    EXPECT_EQ(down->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(up->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
}

TEST_F(FilterGraphTest, EventsComeOutInOrderAndGetEventTimesOut) {
    LONG code = 0;
    LONG_PTR p1 = 0;
    LONG_PTR p2 = 0;
    EXPECT_EQ(m_events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    EXPECT_EQ(m_events->GetEvent(&code, &p1, &p2, 20), E_ABORT);
    EXPECT_EQ(m_events->GetEvent(nullptr, &p1, &p2, 0), E_POINTER);

    Notify(EC_USERABORT);
    Notify(EC_ERRORABORT, E_FAIL);
    ASSERT_EQ(m_events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_USERABORT);
    EXPECT_EQ(m_events->FreeEventParams(code, p1, p2), S_OK);
    ASSERT_EQ(m_events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(p1, static_cast<LONG_PTR>(E_FAIL));
    EXPECT_EQ(m_events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
}

TEST_F(FilterGraphTest, GetEventWakesForAnEventFromAnotherThread) {
    ComPtr<IMediaEventSink> sink;
    ASSERT_EQ(m_graph.As(sink), S_OK);
    std::thread streaming([sink] { sink->Notify(EC_COMPLETE, 0, 0); });
    LONG code = 0;
    LONG_PTR p1 = 0;
    LONG_PTR p2 = 0;
    EXPECT_EQ(m_events->GetEvent(&code, &p1, &p2, -1), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    streaming.join();
}

TEST_F(FilterGraphTest, NotifyWindowGetsTheGivenMessageForEachEvent) {
    CMessageRecorder window;
    const HWND hwnd = HwndFromWidget(&window);

    Notify(EC_COMPLETE);  // before a window is named: announced once it is
    ASSERT_EQ(m_events->SetNotifyWindow(hwnd, WM_USER + 1, 7), S_OK);
    std::thread streaming([this] { Notify(EC_USERABORT); });
    streaming.join();
    QCoreApplication::processEvents();
    ASSERT_EQ(window.m_messages.size(), 2u);
    for (const auto& m : window.m_messages) {
        EXPECT_EQ(m.m_message, WM_USER + 1);
        EXPECT_EQ(m.m_wParam, 0u);
        EXPECT_EQ(m.m_lParam, 7);
    }

    ASSERT_EQ(m_events->SetNotifyWindow(nullptr, 0, 0), S_OK);
    Notify(EC_COMPLETE);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.m_messages.size(), 2u);
}

}  // namespace
