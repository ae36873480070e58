// The edge spread function: every pixel's luminance against its distance from the fitted edge
// line, in bins a quarter of a pixel wide, and the line spread function derived from it.
#pragma once

#include <vector>

#include "measure/EdgeLocate.h"

inline constexpr double kEsfBin_px = 0.25;

struct EdgeSpread {
    double halfRange_px = 0;  // bin k is centred at (k + 0.5) * kEsfBin_px - halfRange_px
    std::vector<double> esf;

    double Distance(size_t bin) const { return (double(bin) + 0.5) * kEsfBin_px - halfRange_px; }
};

// How far across the edge every row reaches on both sides: the distance within which each
// bin draws on all the rows.
double ClearHalfRange(const LumaPlane& plane, const EdgeLine& line);

// Bins the pixels within halfRange_px of the line (normal distance); a bin that no pixel fell
// into is filled in between its neighbours.
EdgeSpread BuildEdgeSpread(const LumaPlane& plane, const EdgeLine& line, double halfRange_px);

// The distance over which the edge rises from 10 % to 90 % of its step; 0 when it never does.
double RiseWidth(const EdgeSpread& spread, int polarity);

// The derivative (central difference), signed so that the edge's own lobe is positive.
std::vector<double> LineSpread(const EdgeSpread& spread, int polarity);

// True when the line spread has a second lobe away from the edge's own (a second edge, a
// line or a bar beside it), or when its peak is not at the fitted line.
bool HasSecondEdge(const EdgeSpread& spread, const std::vector<double>& lsf, double width_px);
