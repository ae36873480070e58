#include "measure/SfrRegions.h"

#include <algorithm>
#include <cstdint>

namespace {

// Centres in hundredths of the picture, so every size rounds the same way on every machine.
struct RegionCentre {
    const char* key;
    int x_percent;
    int y_percent;
};

constexpr RegionCentre kCentres[kSfrRegionCount] = {
    {"c", 50, 50}, {"tl", 15, 15}, {"tr", 85, 15}, {"bl", 15, 85}, {"br", 85, 85}};

const RegionCentre& CentreOf(SfrRegion region) {
    const int index = int(region);
    return kCentres[index >= 0 && index < kSfrRegionCount ? index : 0];
}

int64_t FloorDiv(int64_t value, int64_t divisor) {
    const int64_t quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

// floor(percent/100 * extent - side/2 + 1/2): the square's first pixel, rounded half up.
int64_t FirstPixel(int percent, int extent, int side) {
    return FloorDiv(int64_t{2} * percent * extent - int64_t{100} * side + 100, 200);
}

// [first, first + side) clipped to [0, extent): the clipped start and length.
void Clip(int64_t first, int side, int extent, int& start, int& length) {
    const int64_t begin = std::clamp<int64_t>(first, 0, extent);
    const int64_t end = std::clamp<int64_t>(first + side, 0, extent);
    start = int(begin);
    length = int(end - begin);
}

}  // namespace

const char* SfrRegionKey(SfrRegion region) {
    return CentreOf(region).key;
}

SfrRect SfrRegionRect(SfrRegion region, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int side = int((int64_t{width} + 4) / 8);
    const RegionCentre& centre = CentreOf(region);
    SfrRect rect{};
    Clip(FirstPixel(centre.x_percent, width, side), side, width, rect.left, rect.width);
    Clip(FirstPixel(centre.y_percent, height, side), side, height, rect.top, rect.height);
    return rect;
}
