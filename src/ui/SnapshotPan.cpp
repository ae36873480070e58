#include "ui/SnapshotPan.h"

#include <cstdint>
#include <limits>

namespace {

int Saturate(int64_t value) {
    if (value > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (value < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

}  // namespace

int ClampSnapshotPanAxis(int image_px, int window_px, int& pan_px) {
    int draw_px = image_px;
    if (image_px <= window_px) {
        pan_px = 0;
    } else {
        draw_px = window_px;
        // In 64 bits: a long drag may have left the offset anywhere in the int range.
        if (int64_t{image_px} - pan_px < window_px) {
            pan_px = image_px - window_px;
        }
    }
    if (pan_px < 0) {
        pan_px = 0;
    }
    return draw_px;
}

SnapshotPanView ClampSnapshotPan(int image_width, int image_height, int window_width,
                                 int window_height, int& pan_x, int& pan_y) {
    SnapshotPanView view;
    view.draw_width = ClampSnapshotPanAxis(image_width, window_width, pan_x);
    view.draw_height = ClampSnapshotPanAxis(image_height, window_height, pan_y);
    return view;
}

void DragSnapshotPan(int dx_px, int dy_px, int& pan_x, int& pan_y) {
    pan_x = Saturate(int64_t{pan_x} - dx_px);
    pan_y = Saturate(int64_t{pan_y} + dy_px);
}
