// The sharpness measurement on arbitrary pixels: the whole picture, a rect from the input
// (in, partly out of or beyond the picture) and the five regions, through a top-down view and
// a bottom-up one with padded rows. No read outside the pixels, no number without an edge,
// numbers in range with one, and the same result from both views.
// Input: width - 16, height - 16, row padding, rect left + 32, top + 32, width, height; then
// pixels (blue, green, red), repeated to fill the picture.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "measure/RegionSharpness.h"

namespace {

constexpr size_t kHeaderBytes = 7;

void CheckSfr(const EdgeSfr& sfr) {
    if (!sfr.bEdge) {
        Check(sfr.mtf50 == 0 && sfr.mtfAt0125 == 0 && sfr.angle_deg == 0 &&
              sfr.direction == EdgeDirection::None);
        return;
    }
    Check(sfr.mtf50 > 0 && sfr.mtf50 <= 1 && std::isfinite(sfr.mtfAt0125) && sfr.mtfAt0125 >= 0);
    Check(sfr.direction != EdgeDirection::None);
    Check(std::fabs(sfr.angle_deg) >= 2 && std::fabs(sfr.angle_deg) <= 20);
}

void CheckSame(const EdgeSfr& a, const EdgeSfr& b) {
    CheckSfr(a);
    Check(a.bEdge == b.bEdge && a.mtf50 == b.mtf50 && a.mtfAt0125 == b.mtfAt0125 &&
          a.direction == b.direction && a.angle_deg == b.angle_deg && a.bClipped == b.bClipped);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size <= kHeaderBytes) {
        return 0;
    }
    const int width = 16 + data[0] % 113, height = 16 + data[1] % 113;
    const ptrdiff_t stride = ptrdiff_t(3) * width + data[2] % 4;
    const SfrRect rect{int(data[3]) - 32, int(data[4]) - 32, data[5], data[6]};
    const uint8_t* pixels = data + kHeaderBytes;
    const size_t count = size - kHeaderBytes;

    // Exactly the bytes of the picture, so that any read beyond a row's pixels is caught.
    const size_t bytes = size_t(stride) * size_t(height - 1) + size_t(3) * size_t(width);
    std::vector<uint8_t> topDown(bytes), bottomUp(bytes);
    size_t next = 0;
    for (int y = 0; y < height; ++y) {
        for (size_t i = 0; i < size_t(3) * size_t(width); ++i, next = (next + 1) % count) {
            topDown[size_t(y) * size_t(stride) + i] = pixels[next];
            bottomUp[size_t(height - 1 - y) * size_t(stride) + i] = pixels[next];
        }
    }
    const BgrView down{topDown.data(), width, height, stride};
    const BgrView up{bottomUp.data() + size_t(height - 1) * size_t(stride), width, height, -stride};

    CheckSame(MeasureSlantedEdge(down, {0, 0, width, height}),
              MeasureSlantedEdge(up, {0, 0, width, height}));
    CheckSame(MeasureSlantedEdge(down, rect), MeasureSlantedEdge(up, rect));
    const RegionSharpness regionsDown = MeasureRegions(down), regionsUp = MeasureRegions(up);
    for (int index = 0; index < kSfrRegionCount; ++index) {
        CheckSame(regionsDown.regions[index], regionsUp.regions[index]);
    }
    const ImageTilt tilt = MeasureTilt(regionsDown);
    Check(tilt.bValid ? std::isfinite(tilt.x_percent) && std::isfinite(tilt.y_percent)
                      : tilt.x_percent == 0 && tilt.y_percent == 0);
    return 0;
}
