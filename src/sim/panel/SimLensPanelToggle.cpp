#include "sim/panel/SimLensPanelToggle.h"

#include <QAction>
#include <QEvent>
#include <QPointer>
#include <algorithm>
#include <vector>

#include "platform/dshow/VideoWindowQuery.h"
#include "platform/mfc/WindowHandle.h"
#include "sim/panel/SimLensPanel.h"

namespace {

class CSimLensPanelToggle;

// The panel the items act on and the items themselves; touched on the user-interface thread
// only. Both are guarded pointers: either side may go first. The panel is held as the widget
// it is, as a panel being destroyed is by then no more than that while it hides.
struct Followed {
    QPointer<QWidget> panel;
    std::vector<QPointer<CSimLensPanelToggle>> toggles;
};

Followed& State() {
    static Followed followed;
    return followed;
}

class CSimLensPanelToggle : public QAction {
public:
    explicit CSimLensPanelToggle(QObject* parent)
        : QAction(QStringLiteral("Simulated &Lens"), parent) {
        setCheckable(true);
        connect(this, &QAction::triggered, this, &CSimLensPanelToggle::ShowOrHide);
    }

    // Watches `panel`'s showing and hiding, and its end.
    void Follow(QWidget* panel) {
        if (panel) {
            panel->installEventFilter(this);
            connect(panel, &QObject::destroyed, this, &CSimLensPanelToggle::Forget,
                    Qt::UniqueConnection);
        }
        Sync();
    }

    void Sync() {
        const QWidget* panel = State().panel;
        setEnabled(panel != nullptr);
        setChecked(panel && panel->isVisible());
    }

    // A widget tells of its end before its guarded pointers learn of it.
    void Forget(QObject* gone) {
        if (static_cast<QObject*>(State().panel.data()) == gone)
            State().panel = nullptr;
        Sync();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide)
            Sync();
        return QAction::eventFilter(watched, event);
    }

private:
    void ShowOrHide(bool bShow) {
        auto* panel = dynamic_cast<CSimLensPanel*>(State().panel.data());
        if (panel && bShow)
            panel->Open(WidgetFromHwnd(FindVideoRendererWindow()));
        else if (panel)
            panel->hide();
        Sync();
    }
};

}  // namespace

QAction* CreateSimLensPanelToggle(QObject* parent) {
    auto* toggle = new CSimLensPanelToggle(parent);
    std::vector<QPointer<CSimLensPanelToggle>>& toggles = State().toggles;
    std::erase_if(toggles, [](const QPointer<CSimLensPanelToggle>& t) { return t.isNull(); });
    toggles.emplace_back(toggle);
    toggle->Follow(State().panel);
    return toggle;
}

void FollowSimLensPanel(CSimLensPanel* panel) {
    State().panel = panel;
    for (const QPointer<CSimLensPanelToggle>& toggle : State().toggles) {
        if (toggle)
            toggle->Follow(panel);
    }
}
