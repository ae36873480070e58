// The lens panel as the simulator's stream observer: it comes and goes with the stream's filter.
#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QScreen>

#include "platform/dshow/VideoWindowQuery.h"
#include "platform/mfc/WindowHandle.h"
#include "platform/mfc/WindowPlacement.h"
#include "platform/renderer/VideoRenderer.h"
#include "platform/renderer/VideoRendererWindow.h"
#include "platform/vidcap/LiveCaptureFilter.h"
#include "sim/SimCaptureBackend.h"
#include "sim/panel/SimLensPanel.h"
#include "sim/panel/SimLensPanelObserver.h"
#include "sim/panel/SimLensPanelToggle.h"
#include "support/CreateInstance.h"
#include "support/LeakCheck.h"
#include "support/SpinUntil.h"
#include "support/VideoRendererEnvironment.h"

namespace {

CSimLensPanel* OpenPanel() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* panel = dynamic_cast<CSimLensPanel*>(widget))
            return panel;
    }
    return nullptr;
}

class SimLensPanelObserverTest : public LeakCheckedTest {
protected:
    void SetUp() override { AttachSimLensPanel(); }
    void TearDown() override { SetSimStreamObserver(nullptr); }
};

TEST_F(SimLensPanelObserverTest, OpensBesideThePreviewOnStartStaysOverAStopAndGoesWithTheFilter) {
    const auto camera =
        std::make_shared<CSimCamera>(SimCameraConfig{}, std::make_shared<CManualSimClock>(0));
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(CreateSimCameraFilter(camera, {}, filter.ReleaseAndGetAddressOf()), S_OK);
    auto graph = CreateInstance<IGraphBuilder>(CLSID_FilterGraph);
    auto builder = CreateInstance<ICaptureGraphBuilder>(CLSID_CaptureGraphBuilder);
    ASSERT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
    ASSERT_EQ(graph->AddFilter(filter.Get(), nullptr), S_OK);
    ASSERT_EQ(builder->RenderStream(&PIN_CATEGORY_PREVIEW, filter.Get(), nullptr, nullptr),
              VFW_S_NOPREVIEWPIN);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(control), S_OK);
    EXPECT_EQ(OpenPanel(), nullptr);
    // The main dialog's menu item: nothing to show until a stream starts.
    QObject menu;
    QAction* toggle = CreateSimLensPanelToggle(&menu);
    EXPECT_FALSE(toggle->isEnabled());

    ASSERT_EQ(control->Run(), S_OK);
    QPointer<CSimLensPanel> panel = OpenPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(toggle->isEnabled() && toggle->isChecked());
    panel->close();  // by the operator: only hidden
    EXPECT_FALSE(panel->isVisible() || toggle->isChecked());
    toggle->trigger();
    EXPECT_TRUE(panel->isVisible() && toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(panel->isVisible() || toggle->isChecked());
    toggle->trigger();
    const QWidget* preview = WidgetFromHwnd(FindVideoRendererWindow());
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(panel->pos(), PlaceBeside(preview->frameGeometry(), panel->frameGeometry().size(),
                                        preview->screen()->availableGeometry()));
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_TRUE(panel->isVisible());

    control = nullptr;
    builder = nullptr;
    graph = nullptr;
    filter = nullptr;
    QCoreApplication::processEvents();
    EXPECT_EQ(panel, nullptr);
    EXPECT_FALSE(toggle->isEnabled() || toggle->isChecked()) << "the panel went with its filter";
}

}  // namespace
