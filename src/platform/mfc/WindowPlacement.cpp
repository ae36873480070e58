#include "platform/mfc/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

int64_t ClampInto(int64_t start, int64_t extent, int64_t low, int64_t high_exclusive) {
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
    x = static_cast<int>(ClampInto(x, frame_size.width(), available.left(), available.right() + 1));
    const auto y = static_cast<int>(ClampInto(anchor_frame.top(), frame_size.height(),
                                              available.top(), available.bottom() + 1));
    return {x, y};
}

QRect KeepInside(const FrameExtent& frame, const QRect& available) {
    const int64_t width = std::clamp<int64_t>(frame.width, 0, available.width());
    const int64_t height = std::clamp<int64_t>(frame.height, 0, available.height());
    const int64_t x = ClampInto(frame.left, width, available.left(), available.right() + 1);
    const int64_t y = ClampInto(frame.top, height, available.top(), available.bottom() + 1);
    // Inside `available` now, so every value fits an int.
    return {static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
            static_cast<int>(height)};
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
