#include "CaptureFixture.h"

namespace {

using PreviewTest = CaptureFixture;

TEST_F(PreviewTest, TheWindowIsFoundOnThePreviewPinOrWithoutOneDownstreamOfTheCapturePin) {
    for (const BOOL bPreviewPin : {TRUE, FALSE}) {
        SCOPED_TRACE(bPreviewPin);
        Connected(bPreviewPin);
        m_device->SetNotifyWindow(kDialog);
        ASSERT_TRUE(m_device->RenderPreview());  // without: the builder says VFW_S_NOPREVIEWPIN
        EXPECT_EQ(m_device->HasNoPreviewPin(), !bPreviewPin);
        EXPECT_EQ(Graph().FilterNames(), bPreviewPin ? "Camera,Renderer" : "Camera,Tee,Renderer");
        // Graph events go to the dialog as WM_USER + 1 with no instance data.
        EXPECT_TRUE(m_world->InOrder({bPreviewPin ? "Builder.FindInterface(preview,IVideoWindow)"
                                                  : "Builder.FindInterface(capture,IVideoWindow)",
                                      "Renderer.put_Top(400)", "Graph.SetNotifyWindow(1025,0)"}));
        EXPECT_EQ(Graph().m_hNotifyWindow, kDialog);
        m_device = std::make_unique<CCaptureDevice>();
    }
}

TEST_F(PreviewTest, RunNeedsARenderedPreviewAndRenderRunAndStopEachActOnce) {
    Connected();
    EXPECT_FALSE(m_device->Run());   // nothing rendered
    EXPECT_FALSE(m_device->Stop());  // not running
    EXPECT_TRUE(m_world->m_calls.empty());

    ASSERT_TRUE(m_device->RenderPreview());
    ASSERT_TRUE(m_device->Run());
    EXPECT_TRUE(m_device->RenderPreview());  // also while running
    EXPECT_TRUE(m_device->Run());
    EXPECT_EQ(m_world->CountOf("Builder.RenderStream"), 1);
    EXPECT_EQ(m_world->CountOf("Graph.Run"), 1);

    EXPECT_TRUE(m_device->Stop());
    EXPECT_FALSE(m_device->Stop());
    EXPECT_TRUE(m_device->IsPreviewRendered() && !m_device->IsRunning());  // the chain stays
    EXPECT_EQ(m_world->CountOf("Graph.Stop"), 1);
}

TEST_F(PreviewTest, AFailedRenderIsTornDownAndAMissingEventInterfaceOnlyCostsTheNotification) {
    Connected(FALSE);
    m_world->Script("Builder.FindInterface(capture,IVideoWindow)", E_NOINTERFACE, true);
    EXPECT_FALSE(m_device->RenderPreview());
    EXPECT_FALSE(m_device->IsPreviewRendered() || m_device->HasNoPreviewPin() ||
                 m_device->VideoWindow() || m_device->MediaEvent());
    EXPECT_EQ(Graph().FilterNames(), "Camera");
    m_world->Script("Builder.RenderStream", E_FAIL, true);  // builds nothing, fails the same
    EXPECT_FALSE(m_device->RenderPreview());

    m_world->Script("Graph.QI(IMediaEventEx)", E_NOINTERFACE, true);
    ASSERT_TRUE(m_device->RenderPreview());
    EXPECT_TRUE(m_device->HasNoPreviewPin() && m_device->VideoWindow());
    EXPECT_FALSE(m_device->MediaEvent());
    EXPECT_EQ(m_world->CountOf("Graph.SetNotifyWindow(1025,0)"), 0);
}

TEST_F(PreviewTest, AFailedRunStopsTheGraphAndAFailedStopStillCountsAsStopped) {
    Connected(TRUE, TRUE);
    m_world->Script("Graph.Run", E_FAIL, true);
    EXPECT_FALSE(m_device->Run());
    EXPECT_EQ(m_world->m_calls,
              (std::vector<std::string>{"Graph.QI(IMediaControl)", "Graph.Run", "Graph.Stop"}));
    m_world->Script("Graph.QI(IMediaControl)", E_NOINTERFACE, true);
    EXPECT_FALSE(m_device->Run());

    for (const char* failure : {"Graph.Stop", "Graph.QI(IMediaControl)"}) {
        ASSERT_TRUE(m_device->Run());
        m_world->Script(failure, E_FAIL, true);
        EXPECT_FALSE(m_device->Stop()) << failure;
        EXPECT_FALSE(m_device->IsRunning()) << failure;
    }
}

TEST_F(PreviewTest, ADeviceDroppedWhileRunningStopsThenTakesTheDeepestFilterDownFirst) {
    Connected(FALSE, TRUE);  // camera -> tee -> renderer
    ASSERT_TRUE(m_device->Run());
    m_world->m_calls.clear();
    m_device.reset();  // the fixture checks that the graph went too
    std::erase_if(m_world->m_calls,
                  [](const std::string& call) { return !call.starts_with("Graph."); });
    EXPECT_EQ(
        m_world->m_calls,
        (std::vector<std::string>{"Graph.QI(IMediaControl)", "Graph.Stop",
                                  "Graph.Disconnect(Renderer.In)", "Graph.Disconnect(Tee.Preview)",
                                  "Graph.RemoveFilter(Renderer)", "Graph.Disconnect(Tee.In)",
                                  "Graph.Disconnect(Camera.Capture)", "Graph.RemoveFilter(Tee)"}));
}

}  // namespace
