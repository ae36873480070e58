// Where a tool window opens: beside the window it serves, inside the screen's available area,
// as the utility's own windows are placed.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>

class QWidget;

// Space left between a tool window's frame and the frame of the window it serves.
inline constexpr int kBesideGap_px = 4;

// The top-left corner, frame included, for a window of `frame_size` beside `anchor_frame`: to
// its right with top edges aligned, or to its left when the right lacks room; then moved as
// little as needed to lie inside `available` (its top-left edge wins when it cannot fit).
QPoint PlaceBeside(const QRect& anchor_frame, const QSize& frame_size, const QRect& available);

// A window's frame as remembered, in 64 bits: no stored value can overflow on its way back.
struct FrameExtent {
    int64_t left = 0;
    int64_t top = 0;
    int64_t width = 0;
    int64_t height = 0;
};

// A remembered `frame` brought back inside `available` (the screen may have changed since):
// shrunk to fit, then moved as little as needed.
QRect KeepInside(const FrameExtent& frame, const QRect& available);
inline QRect KeepInside(const QRect& frame, const QRect& available) {
    return KeepInside(FrameExtent{frame.x(), frame.y(), frame.width(), frame.height()}, available);
}

// Moves the top-level `window` beside the top-level `anchor` on the anchor's screen. A window
// the window system has not framed yet is taken to get the anchor's frame margins.
void MoveBeside(QWidget* window, const QWidget* anchor);
