#include "platform/mfc/WindowHandle.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

// Handles are counters rather than widget addresses, so a handle outliving its widget can
// never name a newer widget that happens to reuse the memory.
struct HandleTable {
    std::mutex mutex;
    std::unordered_map<uintptr_t, QWidget*> widgets;
    std::unordered_map<const QWidget*, uintptr_t> handles;
    uintptr_t next = 0x10;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

bool OnWidgetThread(const QWidget* widget) {
    return widget && widget->thread() == QThread::currentThread();
}

// Keeps posted window messages from being handled while it exists and posts them again, in
// their order, when it goes.
class CHeldWindowMessages : public QObject {
public:
    CHeldWindowMessages() { qApp->installEventFilter(this); }
    ~CHeldWindowMessages() override {
        qApp->removeEventFilter(this);
        for (const Held& held : m_held) {
            if (held.target)
                QCoreApplication::postEvent(
                    held.target, new CWindowMessageEvent(held.message, held.wParam, held.lParam));
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != CWindowMessageEvent::EventType())
            return false;
        const auto* message = static_cast<const CWindowMessageEvent*>(event);
        m_held.push_back({watched, message->m_message, message->m_wParam, message->m_lParam});
        return true;
    }

private:
    struct Held {
        QPointer<QObject> target;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Held> m_held;
};

BOOL PostToWidget(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.widgets.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == table.widgets.end())
        return FALSE;
    QCoreApplication::postEvent(it->second, new CWindowMessageEvent(message, wParam, lParam));
    return TRUE;
}

}  // namespace

CWindowMessageEvent::CWindowMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
    : QEvent(EventType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

QEvent::Type CWindowMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

HWND HwndFromWidget(QWidget* widget) {
    if (!widget)
        return nullptr;
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (auto it = table.handles.find(widget); it != table.handles.end()) {
        return reinterpret_cast<HWND>(it->second);
    }
    const uintptr_t id = table.next;
    table.next += 0x10;
    InstallWindowSystem();
    table.widgets.emplace(id, widget);
    table.handles.emplace(widget, id);
    // Runs on the widget's thread inside its destructor, before Qt drops its posted events;
    // taking the lock here keeps a PostMessage in flight from posting to freed memory.
    QObject::connect(widget, &QObject::destroyed, [id, widget] {
        HandleTable& t = Table();
        std::lock_guard inner(t.mutex);
        t.widgets.erase(id);
        t.handles.erase(widget);
    });
    return reinterpret_cast<HWND>(id);
}

QWidget* WidgetFromHwnd(HWND hwnd) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.widgets.find(reinterpret_cast<uintptr_t>(hwnd));
    return it == table.widgets.end() ? nullptr : it->second;
}

BOOL IsWindow(HWND hwnd) {
    return WidgetFromHwnd(hwnd) != nullptr;
}

namespace {
HWND FindTopLevelWidget(const char*, const char* title) {
    if (!title || !qApp)
        return nullptr;
    const QString wanted = QString::fromUtf8(title);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isWindow() && widget->windowTitle() == wanted)
            return HwndFromWidget(widget);
    }
    return nullptr;
}

BOOL DestroyWidget(HWND hwnd) {
    QWidget* widget = WidgetFromHwnd(hwnd);
    if (!OnWidgetThread(widget))
        return FALSE;
    delete widget;
    return TRUE;
}
}  // namespace

void InstallWindowSystem() {
    static const WindowSystem system{&PostToWidget, &FindTopLevelWidget, &DestroyWidget};
    SetWindowSystem(&system);
}

BOOL UpdateWindow(HWND hwnd, int timeout_ms) {
    QWidget* widget = WidgetFromHwnd(hwnd);
    if (!OnWidgetThread(widget) || !widget->isVisible())
        return FALSE;
    QWindow* window = widget->window()->windowHandle();
    if (!window)
        return FALSE;
    if (!window->isExposed()) {
        const CHeldWindowMessages held;
        const QDeadlineTimer deadline(timeout_ms);
        // The map and expose notices come as window-system events; input and timers wait.
        constexpr QEventLoop::ProcessEventsFlags kFlags =
            QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers;
        while (!window->isExposed() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(kFlags);
            // A still waits on this before it shows: look again soon after the notices came.
            if (!window->isExposed())
                QThread::msleep(1);
        }
    }
    if (!window->isExposed())
        return FALSE;
    widget->repaint();
    return TRUE;
}
