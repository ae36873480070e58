// Where the edge crosses each row of a LumaPlane, to a small fraction of a pixel, and the
// straight line through those crossings.
#pragma once

#include <vector>

#include "measure/LumaPlane.h"

// x = offset + slope * y, in pixel centres (pixel x covers x - 0.5 .. x + 0.5).
struct EdgeLine {
    double offset = 0;
    double slope = 0;

    double X(double y) const { return offset + slope * y; }
};

struct EdgeFit {
    EdgeLine line;
    double contrast = 0;     // luminance step across the edge, the median over the rows
    double residual_px = 0;  // root mean square of the rows' crossings about the line
    int polarity = 1;        // +1 when the picture gets lighter to the right
};

// Each row's crossing over the whole row, and the line through them. Fails, saying why, when
// the rows do not all cross one edge of the same sense and like contrast, or the contrast
// is too low for the noise.
bool LocateEdge(const LumaPlane& plane, double noise, EdgeFit& fit, const char*& why);

// The same over a window of halfWidth_px across the edge either side of fit.line, which
// keeps the noise of the far pixels out of each row's crossing.
bool RefineEdge(const LumaPlane& plane, double noise, double halfWidth_px, EdgeFit& fit,
                const char*& why);
