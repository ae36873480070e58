#include "platform/mfc/WindowTimer.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include "platform/mfc/WindowHandle.h"

namespace {
QString TimerName(UINT_PTR id) {
    return QStringLiteral("nitidor-window-timer-%1").arg(id);
}

// Timers are children of their window, so a destroyed window takes its timers with it.
QTimer* FindTimer(QWidget* window, UINT_PTR id) {
    return window ? window->findChild<QTimer*>(TimerName(id), Qt::FindDirectChildrenOnly) : nullptr;
}
}  // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, void* /*timerProc*/) {
    QWidget* window = WidgetFromHwnd(hwnd);
    if (!window || id == 0)
        return 0;
    QTimer* timer = FindTimer(window, id);
    if (!timer) {
        timer = new QTimer(window);
        timer->setObjectName(TimerName(id));
        // A window that misses ticks while busy gets one message, not a burst.
        timer->setTimerType(Qt::CoarseTimer);
        QObject::connect(timer, &QTimer::timeout, window, [window, id] {
            CWindowMessageEvent tick(WM_TIMER, id, 0);
            QCoreApplication::sendEvent(window, &tick);
        });
    }
    timer->start(static_cast<int>(elapse_ms));
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    QTimer* timer = FindTimer(WidgetFromHwnd(hwnd), id);
    if (!timer)
        return FALSE;
    // The kill may come from inside this timer's own tick: leave the deletion to the loop, but
    // hide the timer at once so a SetTimer right after makes a fresh one.
    timer->stop();
    timer->setObjectName(QString());
    timer->deleteLater();
    return TRUE;
}

UINT GetTimerPeriod(HWND hwnd, UINT_PTR id) {
    QTimer* timer = FindTimer(WidgetFromHwnd(hwnd), id);
    return timer && timer->isActive() ? static_cast<UINT>(timer->interval()) : 0;
}
