// A filter graph with its capture graph builder, control and event interfaces, made through
// the class table, and a scripted source to render: the fixture of the graph's tests.
#pragma once

#include <utility>

#include "fakes/TestSource.h"
#include "platform/dshow/Interfaces.h"
#include "support/CreateInstance.h"
#include "support/LeakCheck.h"

class CGraphFixture : public LeakCheckedTest {
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
