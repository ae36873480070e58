// Window handles as Qt widgets: an HWND names a live widget until that widget is destroyed,
// messages posted to it (PostMessage, platform/win/WinUser.h) arrive as CWindowMessageEvent,
// and top-level windows can be found by title and destroyed, as the dialog framework's
// callers expect.
#pragma once

#include <QEvent>

#include "platform/win/WinTypes.h"
#include "platform/win/WinUser.h"

class QWidget;

// A window message delivered to a widget through Qt's event queue.
class CWindowMessageEvent : public QEvent {
public:
    CWindowMessageEvent(UINT message, WPARAM wParam, LPARAM lParam);

    static QEvent::Type EventType();

    UINT m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
};

// The handle of a widget, made on first request; the same widget always gets the same
// handle, and a destroyed widget's handle is never reused. Null for null.
HWND HwndFromWidget(QWidget* widget);
// The widget a handle names, or null once it has been destroyed (or for an unknown handle).
// Only the widget's own thread may use the result.
QWidget* WidgetFromHwnd(HWND hwnd);
BOOL IsWindow(HWND hwnd);

// Makes these widgets the window system behind PostMessage, FindWindow and DestroyWindow
// (platform/win/WinUser.h). The application object does it at start; making a handle does it
// too, as only a handle can be posted to.
void InstallWindowSystem();
// Paints the window now, as the platform's UpdateWindow does, for callers that then hold the
// user-interface thread. A window just shown is first waited for until the window system has
// mapped it, at most timeout_ms; meanwhile only the window system's own events are handled:
// no input, no timers, and posted window messages are held back until the end. FALSE when
// the window is not visible or was not mapped in time. User-interface thread only.
BOOL UpdateWindow(HWND hwnd, int timeout_ms = 500);
