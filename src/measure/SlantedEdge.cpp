#include "measure/SlantedEdge.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

#include "measure/EdgeLocate.h"
#include "measure/EdgeMtf.h"
#include "measure/EdgeSpread.h"
#include "measure/LumaPlane.h"
#include "measure/MeasureLog.h"
#include "platform/log/Log.h"

namespace {

constexpr int kMinRows = 20;     // along the edge
constexpr int kMinColumns = 20;  // across it
constexpr double kMinAngle_deg = 2;
constexpr double kMaxAngle_deg = 20;

// The part of rect inside the picture; false when nothing is, or the view is unusable.
bool ClipToPicture(const BgrView& image, const SfrRect& rect, SfrRect& area) {
    if (!image.top || image.width <= 0 || image.height <= 0 ||
        std::abs(image.stride) < ptrdiff_t(3) * image.width) {
        return false;
    }
    const int64_t left = std::max<int64_t>(rect.left, 0);
    const int64_t top = std::max<int64_t>(rect.top, 0);
    const int64_t right = std::min<int64_t>(int64_t{rect.left} + rect.width, image.width);
    const int64_t bottom = std::min<int64_t>(int64_t{rect.top} + rect.height, image.height);
    if (right <= left || bottom <= top) {
        return false;
    }
    area = {int(left), int(top), int(right - left), int(bottom - top)};
    return true;
}

// The spread function must rise once, from one level to the other, with the edge's blur
// fitting twice over between the edge and each side of the region.
bool CheckSpread(const EdgeSpread& spread, int polarity, double& width_px, std::vector<double>& lsf,
                 const char*& why) {
    width_px = RiseWidth(spread, polarity);
    if (!(width_px > 0)) {
        why = "no complete rise across the edge";
        return false;
    }
    lsf = LineSpread(spread, polarity);
    if (HasSecondEdge(spread, lsf, width_px)) {
        why = "a second edge or a line beside the edge";
        return false;
    }
    if (spread.halfRange_px < 2 * width_px + 2) {
        why = "the edge is too close to the region's side for its blur";
        return false;
    }
    return true;
}

bool CheckAngle(const LumaPlane& plane, const EdgeLine& line, const char*& why) {
    const double angle_deg = std::atan(std::fabs(line.slope)) * 180 / std::numbers::pi;
    if (angle_deg < kMinAngle_deg || angle_deg > kMaxAngle_deg) {
        why = "the edge is not 2-20 degrees off vertical or horizontal";
        return false;
    }
    // The rows' crossings must sweep at least a whole pixel, or some quarter-pixel phases of
    // the spread function are never seen.
    if (plane.height * std::fabs(line.slope) < 1) {
        why = "the edge is too short for its angle";
        return false;
    }
    return true;
}

// Everything after the luminance: the edge's line, its spread and its MTF.
bool MeasurePlane(const LumaPlane& plane, EdgeFit& fit, EdgeMtf& mtf, const char*& why) {
    if (plane.height < kMinRows || plane.width < kMinColumns) {
        why = "the region is too small";
        return false;
    }
    const double noise = NoiseAlongEdge(plane);
    if (!LocateEdge(plane, noise, fit, why)) {
        return false;
    }
    double width = 0;
    std::vector<double> lsf;
    if (!CheckSpread(BuildEdgeSpread(plane, fit.line, ClearHalfRange(plane, fit.line)),
                     fit.polarity, width, lsf, why) ||
        !RefineEdge(plane, noise, 2 * width + 3, fit, why) || !CheckAngle(plane, fit.line, why)) {
        return false;
    }
    const EdgeSpread spread = BuildEdgeSpread(plane, fit.line, ClearHalfRange(plane, fit.line));
    if (!CheckSpread(spread, fit.polarity, width, lsf, why)) {
        return false;
    }
    if (!MeasureMtf(spread, lsf, width, mtf)) {
        why = "no MTF50 below 1 cycle per pixel";
        return false;
    }
    return true;
}

}  // namespace

EdgeSfr MeasureSlantedEdge(const BgrView& image, const SfrRect& rect) {
    EdgeSfr result;
    SfrRect area{};
    if (!ClipToPicture(image, rect, area)) {
        LogDebug(kLogMeasure, "no edge: the %dx%d region at (%d, %d) is outside the %dx%d picture",
                 rect.width, rect.height, rect.left, rect.top, image.width, image.height);
        return result;
    }
    int clippedPixels = 0;
    LumaPlane plane = ReadLuma(image, area, clippedPixels);
    result.bClipped = int64_t{clippedPixels} * 50 > int64_t{area.width} * area.height;
    const EdgeDirection direction = DominantDirection(plane);
    if (direction == EdgeDirection::Horizontal) {
        plane = Transposed(plane);
    }
    EdgeFit fit;
    EdgeMtf mtf;
    const char* why = "";
    if (!MeasurePlane(plane, fit, mtf, why)) {
        LogDebug(kLogMeasure, "no edge in the %dx%d region at (%d, %d): %s", area.width,
                 area.height, area.left, area.top, why);
        return result;
    }
    result.bEdge = true;
    result.mtf50 = mtf.mtf50;
    result.mtfAt0125 = mtf.mtfAt0125;
    result.direction = direction;
    // Rows run down a vertical edge and along a horizontal one (transposed): clockwise on the
    // screen moves a vertical edge's lower end left, and a horizontal edge's right end down.
    const double angle_deg = std::atan(fit.line.slope) * 180 / std::numbers::pi;
    result.angle_deg = direction == EdgeDirection::Vertical ? -angle_deg : angle_deg;
    return result;
}
