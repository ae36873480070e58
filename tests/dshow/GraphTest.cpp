// The filter graph alone, with scripted sources: the order filters run and stop in, pause,
// and the event queue across threads. No window toolkit.
#include <thread>

#include "fakes/GraphFixture.h"
#include "platform/dshow/StreamInterfaces.h"
#include "support/DShowClassesEnvironment.h"

namespace {

using GraphTest = CGraphFixture;

TEST_F(GraphTest, RunStartsDownstreamFirstPauseStopsAndAFailureStopsWhatStarted) {
    std::vector<std::string> log;
    auto up = MakeComObject<CTestSource>(false, &log, S_OK, "up");
    auto down = MakeComObject<CTestSource>(false, &log, S_OK, "down");
    auto broken = MakeComObject<CTestSource>(false, &log, E_FAIL, "broken");
    ASSERT_EQ(m_graph->AddFilter(up.Get(), L"up"), S_OK);
    ASSERT_EQ(m_graph->AddFilter(down.Get(), L"down"), S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    ASSERT_EQ(m_control->Pause(), S_OK);
    OAFilterState state = State_Running;
    EXPECT_EQ(m_control->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Paused);
    ASSERT_EQ(m_control->Run(), S_OK);  // from paused: starts again
    ASSERT_EQ(m_control->Stop(), S_OK);
    EXPECT_EQ(log, (std::vector<std::string>{"run down", "run up", "stop up", "stop down",
                                             "run down", "run up", "stop up", "stop down"}));

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

}  // namespace
