#include "platform/win/WindowHandle.h"

#include <QApplication>
#include <QCoreApplication>
#include <QThread>
#include <QWidget>
#include <cstdint>
#include <mutex>
#include <unordered_map>

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

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.widgets.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == table.widgets.end())
        return FALSE;
    QCoreApplication::postEvent(it->second, new CWindowMessageEvent(message, wParam, lParam));
    return TRUE;
}

HWND FindWindow(const char*, const char* title) {
    if (!title || !qApp)
        return nullptr;
    const QString wanted = QString::fromUtf8(title);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isWindow() && widget->windowTitle() == wanted)
            return HwndFromWidget(widget);
    }
    return nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    QWidget* widget = WidgetFromHwnd(hwnd);
    if (!OnWidgetThread(widget))
        return FALSE;
    delete widget;
    return TRUE;
}
