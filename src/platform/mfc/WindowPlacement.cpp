#include "platform/mfc/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

namespace {

int64_t ClampInto(int64_t start, int64_t extent, int64_t low, int64_t high_exclusive) {
    return std::max(low, std::min(start, high_exclusive - extent));
}

struct ClearSpot {
    QRect frame;
    int64_t area = 0;
    size_t rank = 0;  // its place among the preferred corners; past them all for any other
    int64_t distance = 0;
};

// The largest frame with its top-left at `corner`, between `smallest` and `wanted`, inside
// `available` and clear of every `keep_clear` frame by the gap; an empty size when none is.
QSize LargestClearAt(const QPoint& corner, const ClearPlaceRequest& request) {
    const QRect& available = request.available;
    const int64_t x = corner.x();
    const int64_t y = corner.y();
    const int64_t max_w =
        std::min<int64_t>(request.wanted.width(), int64_t{available.right()} + 1 - x);
    const int64_t max_h =
        std::min<int64_t>(request.wanted.height(), int64_t{available.bottom()} + 1 - y);
    // A frame reaching past the corner's right and bottom is cleared either way: by a width
    // that ends before its left, or by a height that ends above its top.
    std::vector<int64_t> widths{max_w};
    for (const QRect& other : request.keep_clear) {
        const int64_t before = int64_t{other.left()} - kBesideGap_px - x;
        if (before > 0 && before < max_w)
            widths.push_back(before);
    }
    QSize best;
    int64_t best_area = 0;
    for (const int64_t w : widths) {
        int64_t h = max_h;
        for (const QRect& other : request.keep_clear) {
            const bool past = int64_t{other.right()} + kBesideGap_px < x ||
                              int64_t{other.bottom()} + kBesideGap_px < y;
            if (!past && int64_t{other.left()} - kBesideGap_px - x < w)
                h = std::min(h, int64_t{other.top()} - kBesideGap_px - y);
        }
        if (w < request.smallest.width() || h < request.smallest.height() || w * h <= best_area)
            continue;
        best = QSize(static_cast<int>(w), static_cast<int>(h));
        best_area = w * h;
    }
    return best;
}

// Top-left corners worth trying: the preferred ones, and every corner the screen's and the
// other frames' edges make.
std::vector<QPoint> CandidateCorners(const ClearPlaceRequest& request) {
    std::vector<int> xs{request.available.left()};
    std::vector<int> ys{request.available.top()};
    for (const QPoint& corner : request.preferred) {
        xs.push_back(corner.x());
        ys.push_back(corner.y());
    }
    for (const QRect& other : request.keep_clear) {
        xs.push_back(other.right() + 1 + kBesideGap_px);
        ys.push_back(other.bottom() + 1 + kBesideGap_px);
    }
    std::vector<QPoint> corners = request.preferred;
    for (const int x : xs) {
        for (const int y : ys) {
            if (request.available.contains(x, y))
                corners.emplace_back(x, y);
        }
    }
    return corners;
}

int64_t CoveredArea(const QRect& frame, const std::vector<QRect>& keep_clear) {
    int64_t covered = 0;
    for (const QRect& other : keep_clear) {
        const QRect both = frame.intersected(other);
        covered += int64_t{both.width()} * both.height();
    }
    return covered;
}

QRect LeastCovering(const ClearPlaceRequest& request) {
    std::vector<QPoint> corners = request.preferred;
    if (corners.empty())
        corners.push_back(request.available.topLeft());
    QRect best;
    int64_t best_covered = INT64_MAX;
    for (const QPoint& corner : corners) {
        const QRect frame = KeepInside(QRect(corner, request.wanted), request.available);
        const int64_t covered = CoveredArea(frame, request.keep_clear);
        if (covered < best_covered) {
            best = frame;
            best_covered = covered;
        }
    }
    return best;
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

QRect PlaceClear(const ClearPlaceRequest& bounded_request) {
    ClearPlaceRequest request = bounded_request;
    request.wanted = request.wanted.boundedTo(request.available.size());
    request.smallest = request.smallest.boundedTo(request.wanted);
    const QPoint aim =
        request.preferred.empty() ? request.available.topLeft() : request.preferred.front();
    std::optional<ClearSpot> best;
    const std::vector<QPoint> corners = CandidateCorners(request);
    for (size_t i = 0; i < corners.size(); ++i) {
        if (!request.available.contains(corners[i]))
            continue;
        const QSize size = LargestClearAt(corners[i], request);
        if (size.isEmpty())
            continue;
        const ClearSpot spot{QRect(corners[i], size), int64_t{size.width()} * size.height(),
                             std::min(i, request.preferred.size()),
                             std::abs(int64_t{corners[i].x()} - aim.x()) +
                                 std::abs(int64_t{corners[i].y()} - aim.y())};
        const auto better = [](const ClearSpot& a, const ClearSpot& b) {
            if (a.area != b.area)
                return a.area > b.area;
            if (a.rank != b.rank)
                return a.rank < b.rank;
            return a.distance < b.distance;
        };
        if (!best || better(spot, *best))
            best = spot;
    }
    return best ? best->frame : LeastCovering(request);
}

QRect KeepOnScreen(const FrameExtent& frame, const QRect& fallback) {
    const auto centre = [](int64_t start, int64_t extent) {
        return static_cast<int>(std::clamp<int64_t>(start + extent / 2, INT_MIN, INT_MAX));
    };
    const QScreen* there = QGuiApplication::screenAt(
        QPoint(centre(frame.left, frame.width), centre(frame.top, frame.height)));
    return KeepInside(frame, there ? there->availableGeometry() : fallback);
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
