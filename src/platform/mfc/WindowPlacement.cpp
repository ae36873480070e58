#include "platform/mfc/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

int ClampInto(int start, int extent, int low, int high_exclusive) {
    return std::max(low, std::min(start, high_exclusive - extent));
}
}  // namespace

QPoint PlaceBeside(const QRect& anchor_frame, const QSize& frame_size, const QRect& available) {
    int x = anchor_frame.right() + 1 + kBesideGap_px;
    if (x + frame_size.width() > available.right() + 1) {
        const int left = anchor_frame.left() - kBesideGap_px - frame_size.width();
        if (left >= available.left())
            x = left;
    }
    x = ClampInto(x, frame_size.width(), available.left(), available.right() + 1);
    const int y =
        ClampInto(anchor_frame.top(), frame_size.height(), available.top(), available.bottom() + 1);
    return {x, y};
}

QRect KeepInside(const QRect& frame, const QRect& available) {
    const QSize size = frame.size().boundedTo(available.size());
    const int x = ClampInto(frame.x(), size.width(), available.left(), available.right() + 1);
    const int y = ClampInto(frame.y(), size.height(), available.top(), available.bottom() + 1);
    return {QPoint(x, y), size};
}

void MoveBeside(QWidget* window, const QWidget* anchor) {
    if (!window || !anchor)
        return;
    const QRect anchor_frame = anchor->frameGeometry();
    QSize frame_size = window->frameGeometry().size();
    if (window->frameGeometry() == window->geometry()) {
        // Not framed yet: the anchor's frame is the best guess at what it will get.
        frame_size += anchor_frame.size() - anchor->geometry().size();
    }
    const QScreen* screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->move(PlaceBeside(anchor_frame, frame_size, screen->availableGeometry()));
}
