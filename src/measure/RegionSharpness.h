// The five regions' sharpness of one picture, and the lens tilt that the corners show.
#pragma once

#include <array>

#include "measure/SlantedEdge.h"

struct RegionSharpness {
    std::array<EdgeSfr, kSfrRegionCount> regions;  // indexed by SfrRegion
};

RegionSharpness MeasureRegions(const BgrView& image);

// The left-right and top-bottom differences of the corners' MTF50 as a percentage of their
// mean (left = mean of TL and BL, right = TR and BR, top = TL and TR, bottom = BL and BR).
// Positive x: the left is sharper; positive y: the top is sharper.
struct ImageTilt {
    bool bValid = false;  // all four corners have an edge
    double x_percent = 0;
    double y_percent = 0;
};

ImageTilt MeasureTilt(const RegionSharpness& sharpness);
