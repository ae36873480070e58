// Where a tool window opens: beside the window it serves, inside the screen's available area,
// as the utility's own windows are placed.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <vector>

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

// Where a window goes that should cover none of the `keep_clear` frames: its frame's place
// inside `available`.
struct ClearPlaceRequest {
    QSize wanted;    // the frame's size
    QSize smallest;  // the least it may shrink to, to stay clear
    std::vector<QRect> keep_clear;
    std::vector<QPoint> preferred;  // top-left corners, the best first
    QRect available;
};

// The frame at its wanted size (bounded by the screen) where that is clear of every frame of
// `keep_clear` by kBesideGap_px: at the first preferred corner that allows it, else at the
// clear place nearest the first preferred corner. Where no place fits it whole, the largest
// clear frame down to `smallest`; where not even that fits, the wanted size at the preferred
// corner (kept inside `available`) that covers the least of them.
QRect PlaceClear(const ClearPlaceRequest& request);

// A remembered frame kept on the screen it lies on (the one under its centre), or inside
// `fallback` when it lies on none any more.
QRect KeepOnScreen(const FrameExtent& frame, const QRect& fallback);

// Moves the top-level `window` beside the top-level `anchor` on the anchor's screen. A window
// the window system has not framed yet is taken to get the anchor's frame margins.
void MoveBeside(QWidget* window, const QWidget* anchor);
