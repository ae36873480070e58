#include "measure/EdgeLocate.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMinContrast = 8;  // luminance levels
constexpr double kMinContrastToNoise = 8;
constexpr double kStepTolerance = 0.5;  // each row's step within this fraction of the median

struct RowCrossing {
    double x;     // where the row crosses the edge
    double step;  // the row's luminance step across the edge, signed
};

// The position at which a sharp step between the window's two end levels would hold the same
// light as the row: exact for any symmetric blur that the window contains, at any sampling
// phase, because the pixels tile the row.
RowCrossing CrossRow(const float* row, int first, int last) {
    const int count = last - first + 1;
    const int ends = std::max(3, count / 8);
    double low = 0, high = 0, deficit = 0;
    for (int i = 0; i < ends; ++i) {
        low += row[first + i];
        high += row[last - i];
    }
    low /= ends;
    high /= ends;
    for (int x = first; x <= last; ++x) {
        deficit += high - row[x];
    }
    const double step = high - low;
    return {step != 0 ? first - 0.5 + deficit / step : first, step};
}

double Median(std::vector<double> values) {
    auto middle = values.begin() + ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Least squares through the rows' crossings; the root mean square of what is left.
void FitLine(const std::vector<RowCrossing>& rows, EdgeFit& fit) {
    const double count = double(rows.size());
    const double meanY = (count - 1) / 2;
    double meanX = 0;
    for (const RowCrossing& row : rows) {
        meanX += row.x;
    }
    meanX /= count;
    double sxy = 0, syy = 0;
    for (size_t y = 0; y < rows.size(); ++y) {
        sxy += (double(y) - meanY) * (rows[y].x - meanX);
        syy += (double(y) - meanY) * (double(y) - meanY);
    }
    fit.line.slope = syy > 0 ? sxy / syy : 0;
    fit.line.offset = meanX - fit.line.slope * meanY;
    double squares = 0;
    for (size_t y = 0; y < rows.size(); ++y) {
        const double off = rows[y].x - fit.line.X(double(y));
        squares += off * off;
    }
    fit.residual_px = std::sqrt(squares / count);
}

// Every row must cross one edge of the same sense and about the same step: a corner, a line,
// a bar or nothing at all fails here.
bool CheckSteps(const std::vector<RowCrossing>& rows, double noise, EdgeFit& fit,
                const char*& why) {
    std::vector<double> steps(rows.size());
    std::transform(rows.begin(), rows.end(), steps.begin(),
                   [](const RowCrossing& row) { return row.step; });
    const double median = Median(steps);
    fit.polarity = median < 0 ? -1 : 1;
    fit.contrast = std::fabs(median);
    if (fit.contrast < kMinContrast || fit.contrast < kMinContrastToNoise * noise) {
        why = "no step across the rows above the noise (flat, a line or a bar, or too faint)";
        return false;
    }
    for (double step : steps) {
        if (std::fabs(fit.polarity * step - fit.contrast) > kStepTolerance * fit.contrast) {
            why = "not every row crosses the same edge (a corner, or an edge leaving the region)";
            return false;
        }
    }
    return true;
}

}  // namespace

bool LocateEdge(const LumaPlane& plane, double noise, EdgeFit& fit, const char*& why) {
    std::vector<RowCrossing> rows(size_t(plane.height));
    for (int y = 0; y < plane.height; ++y) {
        rows[y] = CrossRow(plane.Row(y), 0, plane.width - 1);
    }
    if (!CheckSteps(rows, noise, fit, why)) {
        return false;
    }
    FitLine(rows, fit);
    return true;
}

bool RefineEdge(const LumaPlane& plane, double noise, double halfWidth_px, EdgeFit& fit,
                const char*& why) {
    const double halfWidth = halfWidth_px * std::sqrt(1 + fit.line.slope * fit.line.slope);
    std::vector<RowCrossing> rows(size_t(plane.height));
    int span = 0;
    for (int y = 0; y < plane.height; ++y) {
        const double centre = fit.line.X(y);
        const int first = std::max(0, int(std::lround(centre - halfWidth)));
        const int last = std::min(plane.width - 1, int(std::lround(centre + halfWidth)));
        if (last - first < 4) {
            why = "the edge leaves the region";
            return false;
        }
        rows[y] = CrossRow(plane.Row(y), first, last);
        span = std::max(span, last - first + 1);
    }
    if (!CheckSteps(rows, noise, fit, why)) {
        return false;
    }
    FitLine(rows, fit);
    // What the noise alone scatters a crossing by: the window's pixels and its two end levels.
    const double ends = std::max(3, span / 8);
    const double scatter = noise / fit.contrast * std::sqrt(span + span * span / (2 * ends));
    if (fit.residual_px > 0.5 + 3 * scatter) {
        why = "the rows' crossings do not lie on a straight line";
        return false;
    }
    return true;
}
