// The capture graph builder rendering a preview into the video renderer, and its window.
#include <atomic>
#include <thread>

#include "fakes/GraphFixture.h"
#include "platform/dshow/StreamInterfaces.h"
#include "platform/mfc/WindowHandle.h"
#include "platform/renderer/VideoRendererWindow.h"
#include "support/MessageRecorder.h"
#include "support/SpinUntil.h"
#include "support/VideoRendererEnvironment.h"

namespace {

// A 4 x 2 bottom-up RGB24 frame, rows padded to 12 bytes; the top-left pixel is pure blue
// (B G R = 255 0 0) and lies in the second stored row.
constexpr BYTE kFrame[24] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255};

class RenderStreamTest : public CGraphFixture {
protected:
    void SetUp() override {
        InstallWindowSystem();  // FindWindow reaches the renderer's window through it
        CGraphFixture::SetUp();
    }
};

TEST_F(RenderStreamTest, PreviewPinGoesStraightToTheRendererOtherwiseThroughATee) {
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

TEST_F(RenderStreamTest, ClosingTheWindowAndABadSampleAreAnnouncedToTheNotifyWindow) {
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

// The tap it shares with the renderer that shows nothing is tested there; the marks are this
// window's own.
TEST_F(RenderStreamTest, MarksAreDrawnOverTheFrames) {
    ASSERT_EQ(Render(true), S_OK);
    ComPtr<IVideoWindow> window;
    ASSERT_EQ(m_builder->FindInterface(&PIN_CATEGORY_PREVIEW, m_source.Get(), IID_IVideoWindow,
                                       window.ReleaseAndGetVoidAddress()),
              S_OK);
    ASSERT_EQ(m_control->Run(), S_OK);
    EXPECT_EQ(m_source->Preview()->Deliver(kFrame, 24, 0), S_OK);
    ComPtr<IPreviewMarks> marks;
    ASSERT_EQ(window.As(marks), S_OK);
    const PreviewMark whole{0, 0, 4, 2, 0xFF0000};
    EXPECT_EQ(marks->SetMarks(nullptr, 1), E_POINTER);
    ASSERT_EQ(marks->SetMarks(&whole, 1), S_OK);
    QCoreApplication::processEvents();
    auto* shown = dynamic_cast<CVideoRendererWindow*>(
        WidgetFromHwnd(FindWindow(nullptr, kVideoRendererTitle)));
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->Marks().size(), 1u);
    const QImage drawn = shown->grab().toImage();
    EXPECT_EQ(drawn.pixelColor(1, 1), QColor(255, 0, 0)) << "outlined inside the picture's edge";
    EXPECT_EQ(marks->SetMarks(nullptr, 0), S_OK);
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown->Marks().empty());
    EXPECT_EQ(m_control->Stop(), S_OK);
}

TEST_F(RenderStreamTest, TearingDownWhileFramesAreInFlightIsSafe) {
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
