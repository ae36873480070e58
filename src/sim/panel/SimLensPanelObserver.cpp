#include "sim/panel/SimLensPanelObserver.h"

#include <QApplication>
#include <QPointer>

#include "platform/dshow/VideoWindowQuery.h"
#include "platform/mfc/UiThread.h"
#include "platform/mfc/WindowHandle.h"
#include "sim/SimCamera.h"
#include "sim/panel/SimLensPanel.h"
#include "sim/panel/SimLensPanelToggle.h"

namespace {

// The panel is a widget: made, shown and deleted on the user-interface thread only.
struct PanelHolder {
    QPointer<CSimLensPanel> panel;
};

class CSimLensPanelWatch : public ISimStreamWatch {
public:
    explicit CSimLensPanelWatch(std::shared_ptr<CSimCamera> camera)
        : m_pCamera(std::move(camera)), m_pHolder(std::make_shared<PanelHolder>()) {}

    ~CSimLensPanelWatch() override {
        RunOnUiThread([holder = m_pHolder] { delete holder->panel.data(); });
    }

    void OnStreamStarted() override {
        if (!OnUiThread())
            return;
        if (!m_pHolder->panel) {
            // Shares the camera's ownership, so the scene outlives a panel waiting for deletion.
            std::shared_ptr<CSimScene> scene(m_pCamera, &m_pCamera->Scene());
            m_pHolder->panel = new CSimLensPanel(std::move(scene));
        }
        FollowSimLensPanel(m_pHolder->panel);
        // Beside the preview window, where the operator's eyes are.
        m_pHolder->panel->Open(WidgetFromHwnd(FindVideoRendererWindow()));
    }

    void OnStreamStopped() override {}

private:
    const std::shared_ptr<CSimCamera> m_pCamera;
    std::shared_ptr<PanelHolder> m_pHolder;
};

}  // namespace

std::unique_ptr<ISimStreamWatch> CSimLensPanelObserver::Watch(std::shared_ptr<CSimCamera> camera) {
    return std::make_unique<CSimLensPanelWatch>(std::move(camera));
}

void AttachSimLensPanel() {
    SetSimStreamObserver(std::make_shared<CSimLensPanelObserver>());
}
