// The modulation transfer function from a line spread function: windowed, transformed at any
// frequency (the continuous transform of the samples, as if zero-padded without end),
// normalised at zero frequency and freed of the response of the measurement's own steps.
#pragma once

#include <vector>

#include "measure/EdgeSpread.h"

struct EdgeMtf {
    double mtf50 = 0;      // cycles per pixel
    double mtfAt0125 = 0;  // at 0.125 cycles per pixel
};

// lsf sampled like spread's bins; width_px is the edge's 10-90 % rise, which sets the window.
// Fails when the transform is not positive at zero or never falls to 0.5 below 1 cycle/pixel.
bool MeasureMtf(const EdgeSpread& spread, const std::vector<double>& lsf, double width_px,
                EdgeMtf& mtf);

// The window: flat over the middle 60 % of +-halfWidth_px, a cosine taper to zero beyond.
double TaperWindow(double distance_px, double halfWidth_px);
