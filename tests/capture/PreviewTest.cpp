#include "capture/CaptureFixture.h"

namespace {

using PreviewTest = CaptureFixture;

const HWND kDialog = reinterpret_cast<HWND>(0x1234);

TEST_F(PreviewTest, APreviewPinIsRenderedAndItsWindowFoundOnThePreviewCategory) {
    Connected(TRUE);
    m_device->m_hNotifyWindow = kDialog;
    ASSERT_TRUE(m_device->RenderPreview());

    EXPECT_TRUE(m_device->m_bPreviewRendered);
    EXPECT_FALSE(m_device->m_bNoPreviewPin);
    EXPECT_EQ(m_world->CountOf("Builder.FindInterface(preview,IVideoWindow)"), 1);
    EXPECT_EQ(Graph().FilterNames(), (std::vector<std::string>{"Camera", "Renderer"}));
    EXPECT_LT(m_world->IndexOf("Renderer.put_Top(400)"), m_world->IndexOf("Graph.SetNotifyWindow"));
    ASSERT_TRUE(m_device->m_pVideoWindow && m_device->m_pMediaEvent);
    EXPECT_EQ(Graph().m_hNotifyWindow, kDialog);
    EXPECT_EQ(Graph().m_nNotifyMessage, static_cast<LONG>(WM_USER + 1));
    EXPECT_EQ(Graph().m_notifyInstance, 0);
}

TEST_F(PreviewTest, WithoutAPreviewPinTheWindowIsFoundOnTheCaptureCategory) {
    Connected(FALSE);
    ASSERT_TRUE(m_device->RenderPreview());
    EXPECT_TRUE(m_device->m_bNoPreviewPin);
    EXPECT_EQ(m_world->CountOf("Builder.FindInterface(capture,IVideoWindow)"), 1);
    EXPECT_EQ(m_world->CountOf("Builder.FindInterface(preview,IVideoWindow)"), 0);
    EXPECT_EQ(Graph().FilterNames(), (std::vector<std::string>{"Camera", "Tee", "Renderer"}));
    EXPECT_TRUE(m_device->m_pVideoWindow);
}

TEST_F(PreviewTest, RenderingTwiceTouchesNothingTheSecondTime) {
    Rendered();
    EXPECT_TRUE(m_device->RenderPreview());
    ASSERT_TRUE(m_device->Run());
    m_world->ClearCalls();
    EXPECT_TRUE(m_device->RenderPreview());  // also while running
    EXPECT_TRUE(m_world->Calls().empty());
}

TEST_F(PreviewTest, ARenderWithoutAWindowIsTornDownAgain) {
    Connected(FALSE);
    m_world->ScriptOnce("Builder.FindInterface(capture,IVideoWindow)", E_NOINTERFACE);
    EXPECT_FALSE(m_device->RenderPreview());
    EXPECT_FALSE(m_device->m_bPreviewRendered || m_device->m_bNoPreviewPin);
    EXPECT_FALSE(m_device->m_pVideoWindow || m_device->m_pMediaEvent);
    EXPECT_EQ(Graph().FilterNames(), std::vector<std::string>{"Camera"});
    EXPECT_FALSE(m_camera->AnyPinConnected());

    // A render that built nothing fails the same way; the next attempt can still succeed.
    m_world->ScriptOnce("Builder.RenderStream(preview)", E_FAIL);
    EXPECT_FALSE(m_device->RenderPreview());
    EXPECT_TRUE(m_device->RenderPreview());
    EXPECT_TRUE(m_device->m_bNoPreviewPin);
}

TEST_F(PreviewTest, WithoutAnEventInterfaceThePreviewStillRenders) {
    Connected();
    m_world->Script("Graph.QI(IMediaEventEx)", E_NOINTERFACE);
    ASSERT_TRUE(m_device->RenderPreview());
    EXPECT_FALSE(m_device->m_pMediaEvent);
    EXPECT_EQ(m_world->CountOf("Graph.SetNotifyWindow"), 0);
    EXPECT_TRUE(m_device->m_bPreviewRendered);
}

TEST_F(PreviewTest, RunNeedsARenderedPreviewAndHappensOnce) {
    Connected();
    EXPECT_FALSE(m_device->Run());
    EXPECT_TRUE(m_world->Calls().empty());

    ASSERT_TRUE(m_device->RenderPreview());
    ASSERT_TRUE(m_device->Run());
    EXPECT_TRUE(m_device->Run());
    EXPECT_EQ(m_world->CountOf("Graph.Run"), 1);
    EXPECT_TRUE(m_device->m_bRunning);
    EXPECT_EQ(Graph().m_state, State_Running);
}

TEST_F(PreviewTest, AFailedRunLeavesTheGraphStopped) {
    Rendered();
    m_world->ScriptOnce("Graph.Run", E_FAIL);
    EXPECT_FALSE(m_device->Run());
    EXPECT_FALSE(m_device->m_bRunning);
    EXPECT_EQ(m_world->IndexOf("Graph.Stop"), m_world->IndexOf("Graph.Run") + 1);

    m_world->ScriptOnce("Graph.QI(IMediaControl)", E_NOINTERFACE);
    EXPECT_FALSE(m_device->Run());
    EXPECT_EQ(m_world->CountOf("Graph.Run"), 1);
    EXPECT_TRUE(m_device->Run());
}

TEST_F(PreviewTest, StopCountsAsStoppedEvenWhenThePlatformFails) {
    Rendered();
    EXPECT_FALSE(m_device->Stop());  // not running: nothing to do
    EXPECT_TRUE(m_world->Calls().empty());

    ASSERT_TRUE(m_device->Run());
    EXPECT_TRUE(m_device->Stop());
    EXPECT_FALSE(m_device->m_bRunning);
    EXPECT_TRUE(m_device->m_bPreviewRendered);  // stopping keeps the chain

    ASSERT_TRUE(m_device->Run());
    m_world->ScriptOnce("Graph.Stop", E_FAIL);
    EXPECT_FALSE(m_device->Stop());
    EXPECT_FALSE(m_device->m_bRunning);

    ASSERT_TRUE(m_device->Run());
    m_world->ScriptOnce("Graph.QI(IMediaControl)", E_NOINTERFACE);
    EXPECT_FALSE(m_device->Stop());
    EXPECT_FALSE(m_device->m_bRunning);
}

TEST_F(PreviewTest, ADeviceDroppedWhileRunningStopsAndReleasesTheGraph) {
    Rendered(FALSE);
    ASSERT_TRUE(m_device->Run());
    m_device.reset();
    EXPECT_EQ(m_world->CountOf("Graph.Stop"), 1);
    EXPECT_EQ(m_world->Graph(), nullptr);
    EXPECT_FALSE(m_camera->AnyPinConnected());
}

class RemoveDownstreamTest : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        m_graph = MakeComObject<CFakeGraph>();
        m_camera = CFakeFilter::MakeCamera("Camera", FALSE);
        m_tee = CFakeFilter::MakeTee("Tee");
        m_renderer = CFakeFilter::MakeRenderer("Renderer");
        for (CFakeFilter* f : {m_camera.Get(), m_tee.Get(), m_renderer.Get()})
            m_graph->AddFilter(f, nullptr);
        CFakePin::Join(*m_camera->Pin("Capture"), *m_tee->Pin("In"));
        CFakePin::Join(*m_tee->Pin("Preview"), *m_renderer->Pin("In"));
        m_world->ClearCalls();
    }
    // What was done to the graph, leaving out the pin and filter queries.
    std::vector<std::string> GraphCalls() const {
        std::vector<std::string> calls;
        for (const auto& c : m_world->Calls())
            if (c.rfind("Graph.", 0) == 0)
                calls.push_back(c);
        return calls;
    }
    void TearDown() override {
        m_graph.Reset();
        m_tee.Reset();
        m_renderer.Reset();
        CaptureFixture::TearDown();
    }

    ComPtr<CFakeGraph> m_graph;
    ComPtr<CFakeFilter> m_tee;
    ComPtr<CFakeFilter> m_renderer;
};

TEST_F(RemoveDownstreamTest, RemovesTheDeepestFilterFirst) {
    RemoveDownstream(m_camera.Get(), m_graph.Get());
    EXPECT_EQ(GraphCalls(), (std::vector<std::string>{
                                "Graph.Disconnect(Renderer.In)", "Graph.Disconnect(Tee.Preview)",
                                "Graph.RemoveFilter(Renderer)", "Graph.Disconnect(Tee.In)",
                                "Graph.Disconnect(Camera.Capture)", "Graph.RemoveFilter(Tee)"}));
    EXPECT_EQ(m_graph->FilterNames(), std::vector<std::string>{"Camera"});
    EXPECT_FALSE(m_camera->AnyPinConnected());
    EXPECT_FALSE(m_tee->AnyPinConnected() || m_renderer->AnyPinConnected());
}

TEST_F(RemoveDownstreamTest, LeavesTheFilterAndWhatIsUpstreamOfIt) {
    RemoveDownstream(m_renderer.Get(), m_graph.Get());  // no output pins
    EXPECT_TRUE(GraphCalls().empty());
    RemoveDownstream(m_tee.Get(), m_graph.Get());
    EXPECT_EQ(m_graph->FilterNames(), (std::vector<std::string>{"Camera", "Tee"}));
    EXPECT_TRUE(m_tee->Pin("In")->m_pConnected);
}

TEST_F(RemoveDownstreamTest, APinWhosePeerCannotDescribeItselfEndsTheWalk) {
    m_world->ScriptOnce("Tee.In.QueryPinInfo", E_FAIL);
    RemoveDownstream(m_camera.Get(), m_graph.Get());
    EXPECT_EQ(m_graph->FilterNames().size(), 3u);
    EXPECT_EQ(m_world->CountOf("Graph.RemoveFilter(Tee)"), 0);

    m_world->Script("Tee.EnumPins", E_FAIL);  // the tee's own walk cannot start
    RemoveDownstream(m_camera.Get(), m_graph.Get());
    EXPECT_EQ(m_graph->FilterNames(), (std::vector<std::string>{"Camera", "Renderer"}));
}

}  // namespace
