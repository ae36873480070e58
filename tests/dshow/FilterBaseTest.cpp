// The filter base's state machine and graph membership, once for every filter built on it.
#include <atomic>
#include <chrono>
#include <thread>

#include "fakes/TestSource.h"
#include "support/CreateInstance.h"
#include "support/DShowClassesEnvironment.h"
#include "support/LeakCheck.h"

namespace {

using Log = std::vector<std::string>;

struct Transition {
    const char* name;
    HRESULT hrStart;     // what the start hook answers
    std::string calls;   // R = Run, P = Pause, S = Stop
    HRESULT hrLast;      // what the last call returns
    FILTER_STATE state;  // where the filter ends
    Log hooks;           // the hooks run, in order
};

const Transition kTransitions[] = {
    {"RunStartsStreaming", S_OK, "R", S_OK, State_Running, {"run f"}},
    {"RunWhileRunningStartsNothingMore", S_OK, "RR", S_OK, State_Running, {"run f"}},
    {"PauseFromStoppedStartsNothing", S_OK, "P", S_OK, State_Paused, {}},
    {"RunFromPausedStartsStreaming", S_OK, "PR", S_OK, State_Running, {"run f"}},
    {"PauseFromRunningStopsStreamingAndHolds", S_OK, "RP", S_OK, State_Paused, {"run f", "stop f"}},
    {"PauseAgainStopsNothingMore", S_OK, "RPP", S_OK, State_Paused, {"run f", "stop f"}},
    {"StopAfterPauseStopsNothingMore", S_OK, "RPS", S_OK, State_Stopped, {"run f", "stop f"}},
    {"StopFromPausedNeverRunCallsNoHook", S_OK, "PS", S_OK, State_Stopped, {}},
    {"StopWhenStoppedCallsNoHook", S_OK, "S", S_OK, State_Stopped, {}},
    {"StopTwiceStopsOnce", S_OK, "RSS", S_OK, State_Stopped, {"run f", "stop f"}},
    {"RunAfterPauseStartsAgain", S_OK, "RPR", S_OK, State_Running, {"run f", "stop f", "run f"}},
    {"FailedStartLeavesItStopped", E_FAIL, "R", E_FAIL, State_Stopped, {"run f"}},
    {"FailedStartFromPausedLeavesItPaused", E_FAIL, "PR", E_FAIL, State_Paused, {"run f"}},
    {"StopAfterAFailedStartCallsNoStopHook", E_FAIL, "RS", S_OK, State_Stopped, {"run f"}},
};

using FilterBaseTest = LeakCheckedTest;

TEST_F(FilterBaseTest, EachCallEndsInItsStateWithEachHookOncePerTransition) {
    for (const Transition& t : kTransitions) {
        SCOPED_TRACE(t.name);
        Log log;
        auto filter = MakeComObject<CTestSource>(false, &log, t.hrStart, "f");
        HRESULT hr = S_OK;
        for (const char call : t.calls)
            hr = call == 'R' ? filter->Run(0) : call == 'P' ? filter->Pause() : filter->Stop();
        EXPECT_EQ(hr, t.hrLast);
        FILTER_STATE state = State_Stopped;
        EXPECT_EQ(filter->GetState(0, &state), S_OK);
        EXPECT_EQ(state, t.state);
        EXPECT_EQ(log, t.hooks);
    }
}

// A filter whose hooks take a while and notice when streaming is started twice or stopped
// when it was not started.
class CSlowFilter : public CFilterBase<> {
public:
    CSlowFilter() : CFilterBase(CLSID_TestSource) {}
    std::atomic<int> m_nStreams{0};
    std::atomic<int> m_nStarts{0};
    std::atomic<bool> m_bUnbalanced{false};

protected:
    int PinCount() override { return 0; }
    IPin* PinAt(int) override { return nullptr; }
    HRESULT OnStartStreaming() override {
        ++m_nStarts;
        if (++m_nStreams != 1)
            m_bUnbalanced = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return S_OK;
    }
    void OnStopStreaming() override {
        if (--m_nStreams != 0)
            m_bUnbalanced = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

TEST_F(FilterBaseTest, StateChangesFromSeveralThreadsRunEachHookOncePerTransition) {
    auto filter = MakeComObject<CSlowFilter>();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&filter, t] {
            for (int i = 0; i < 25; ++i) {
                filter->Run(0);
                if ((i + t) % 2)
                    filter->Pause();
                else
                    filter->Stop();
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    filter->Stop();
    EXPECT_GT(filter->m_nStarts.load(), 0);
    EXPECT_FALSE(filter->m_bUnbalanced.load());
    EXPECT_EQ(filter->m_nStreams.load(), 0);
}

// The next event's code and first parameter, or {0, 0} when none is queued.
std::pair<LONG, LONG_PTR> NextEvent(IMediaEventEx* events) {
    LONG code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    if (events->GetEvent(&code, &p1, &p2, 0) != S_OK)
        return {0, 0};
    return {code, p1};
}

std::wstring NameOf(IBaseFilter* filter, IFilterGraph** ppGraph = nullptr) {
    FILTER_INFO info;
    EXPECT_EQ(filter->QueryFilterInfo(&info), S_OK);
    if (ppGraph)
        *ppGraph = info.pGraph;
    else if (info.pGraph)
        info.pGraph->Release();
    return info.achName;
}

TEST_F(FilterBaseTest, EventsReachOnlyTheGraphTheFilterIsIn) {
    auto filter = MakeComObject<CTestSource>(false);
    filter->NotifyEvent(EC_COMPLETE, 1, 0);  // outside any graph: dropped
    auto graph = CreateInstance<IGraphBuilder>(CLSID_FilterGraph);
    ComPtr<IMediaEventEx> events;
    ASSERT_EQ(graph.As(events), S_OK);
    ASSERT_EQ(graph->AddFilter(filter.Get(), nullptr), S_OK);
    filter->NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    EXPECT_EQ(NextEvent(events.Get()), std::make_pair(EC_ERRORABORT, LONG_PTR{E_FAIL}));
    EXPECT_EQ(NextEvent(events.Get()).first, 0) << "nothing from before it joined";
    ASSERT_EQ(graph->RemoveFilter(filter.Get()), S_OK);
    filter->NotifyEvent(EC_USERABORT, 0, 0);
    EXPECT_EQ(NextEvent(events.Get()).first, 0);

    // A graph that goes while holding the filter leaves it first: no event reaches freed memory.
    ASSERT_EQ(graph->AddFilter(filter.Get(), nullptr), S_OK);
    events = nullptr;
    graph = nullptr;
    filter->NotifyEvent(EC_USERABORT, 0, 0);
}

TEST_F(FilterBaseTest, TheGraphNamesTheFilterOnlyWhileItIsIn) {
    auto filter = MakeComObject<CTestSource>(false, nullptr, S_OK, "own");
    IFilterGraph* in = nullptr;
    EXPECT_EQ(NameOf(filter.Get(), &in), L"own");
    EXPECT_EQ(in, nullptr);
    auto graph = CreateInstance<IGraphBuilder>(CLSID_FilterGraph);
    ASSERT_EQ(graph->AddFilter(filter.Get(), L"given"), S_OK);
    EXPECT_EQ(NameOf(filter.Get(), &in), L"given");
    EXPECT_EQ(in, static_cast<IFilterGraph*>(graph.Get()));
    in->Release();  // the information carries a reference
    ASSERT_EQ(graph->RemoveFilter(filter.Get()), S_OK);
    EXPECT_EQ(NameOf(filter.Get()), L"own");
    ASSERT_EQ(graph->AddFilter(filter.Get(), nullptr), S_OK);
    EXPECT_EQ(NameOf(filter.Get()), L"Filter 1") << "the graph names one that has none";
    ASSERT_EQ(filter->JoinFilterGraph(graph.Get(), nullptr), S_OK);
    EXPECT_EQ(NameOf(filter.Get()), L"own");
    // A name longer than the field is cut, not overrun.
    const std::wstring longName(300, L'x');
    ASSERT_EQ(filter->JoinFilterGraph(graph.Get(), longName.c_str()), S_OK);
    EXPECT_EQ(NameOf(filter.Get()), longName.substr(0, 127));
}

TEST_F(FilterBaseTest, TheGraphHoldsItsFiltersAndNeverTheReverse) {
    auto filter = MakeComObject<CTestSource>(false);
    auto graph = CreateInstance<IGraphBuilder>(CLSID_FilterGraph);
    ASSERT_EQ(graph->AddFilter(filter.Get(), nullptr), S_OK);
    ASSERT_EQ(filter->Run(0), S_OK);
    EXPECT_EQ(filter->AddRef(), 3u);  // ours, the graph's and this one
    filter->Release();
    EXPECT_EQ(graph->AddRef(), 2u) << "the filter took no reference on the graph";
    graph->Release();
    const long live = ComLiveObjectCount();
    graph = nullptr;
    EXPECT_EQ(ComLiveObjectCount(), live - 1);
    FILTER_STATE state = State_Running;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped) << "a graph stops its filters as it goes";
    EXPECT_EQ(filter->AddRef(), 2u);
    filter->Release();
}

}  // namespace
