// The sharpness of one region from the single straight, slightly slanted dark/light edge in it
// (the ISO 12233 slanted-edge method): the MTF of the lens and sensor across that edge.
#pragma once

#include "measure/BgrView.h"
#include "measure/SfrRegions.h"

enum class EdgeDirection { None, Vertical, Horizontal };  // which way the edge runs

struct EdgeSfr {
    bool bEdge = false;    // a usable edge was found; every number below is 0 otherwise
    double mtf50 = 0;      // cycles per pixel, across the edge, where the MTF first falls to 0.5
    double mtfAt0125 = 0;  // MTF at 0.125 cycles per pixel
    EdgeDirection direction = EdgeDirection::None;
    // Off vertical or horizontal; positive when the edge is turned clockwise on the screen
    // (a vertical edge's top leans right, a horizontal edge's right end lies lower).
    double angle_deg = 0;
    bool bClipped = false;  // > 2 % of the region's pixels at 0 or 255 in some channel; set
                            // with or without an edge, since an edge is measured regardless
};

// Measures the edge in `rect` (clipped to the picture). A region without exactly one edge
// 2°-20° off vertical or horizontal, long, contrasted and inside the region, reports no edge
// and logs why (nitidor.measure, debug). Keeps no state: any thread may call it.
EdgeSfr MeasureSlantedEdge(const BgrView& image, const SfrRect& rect);
