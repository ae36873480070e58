// A region's luminance as floats, laid out so that the edge runs down the rows and crosses
// each of them once: the later steps of the measurement handle one direction only.
#pragma once

#include <cstddef>
#include <vector>

#include "measure/BgrView.h"
#include "measure/SfrRegions.h"
#include "measure/SlantedEdge.h"

struct LumaPlane {
    int width = 0;              // across the edge
    int height = 0;             // along the edge
    std::vector<float> values;  // row after row

    const float* Row(int y) const { return values.data() + size_t(y) * size_t(width); }
};

// The region's luminance in the picture's own layout (rect already inside the picture), and
// the number of its pixels with some channel at 0 or 255.
LumaPlane ReadLuma(const BgrView& image, const SfrRect& rect, int& clippedPixels);

// Vertical when the differences along the rows outweigh those down the columns.
EdgeDirection DominantDirection(const LumaPlane& plane);

LumaPlane Transposed(const LumaPlane& plane);

// The standard deviation of the picture's noise, from the differences between neighbouring
// rows (along the edge, where the picture itself hardly changes), robust to the edge itself.
double NoiseAlongEdge(const LumaPlane& plane);
