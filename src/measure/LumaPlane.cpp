#include "measure/LumaPlane.h"

#include <algorithm>
#include <cmath>

#include "imaging/ColorSpace.h"

LumaPlane ReadLuma(const BgrView& image, const SfrRect& rect, int& clippedPixels) {
    LumaPlane plane;
    plane.width = rect.width;
    plane.height = rect.height;
    plane.values.resize(size_t(rect.width) * size_t(rect.height));
    // The offset of 16 is left out: only differences of luminance matter here.
    const auto red = float(bt601::kLumaRed), green = float(bt601::kLumaGreen);
    const auto blue = float(bt601::kLumaBlue);
    int clipped = 0;
    float* out = plane.values.data();
    for (int y = 0; y < rect.height; ++y) {
        const uint8_t* pixel = BgrRow(image, rect.top + y) + size_t(3) * size_t(rect.left);
        for (int x = 0; x < rect.width; ++x, pixel += 3) {
            const int b = pixel[0], g = pixel[1], r = pixel[2];
            clipped += (b == 0 || b == 255 || g == 0 || g == 255 || r == 0 || r == 255);
            *out++ = red * float(r) + green * float(g) + blue * float(b);
        }
    }
    clippedPixels = clipped;
    return plane;
}

EdgeDirection DominantDirection(const LumaPlane& plane) {
    double across = 0, down = 0;
    for (int y = 0; y < plane.height; ++y) {
        const float* row = plane.Row(y);
        const float* below = y + 1 < plane.height ? plane.Row(y + 1) : nullptr;
        for (int x = 0; x < plane.width; ++x) {
            if (x + 1 < plane.width) {
                across += std::fabs(row[x + 1] - row[x]);
            }
            if (below) {
                down += std::fabs(below[x] - row[x]);
            }
        }
    }
    // A vertical edge changes the picture along the rows.
    return across >= down ? EdgeDirection::Vertical : EdgeDirection::Horizontal;
}

LumaPlane Transposed(const LumaPlane& plane) {
    LumaPlane out;
    out.width = plane.height;
    out.height = plane.width;
    out.values.resize(plane.values.size());
    for (int y = 0; y < plane.height; ++y) {
        const float* row = plane.Row(y);
        for (int x = 0; x < plane.width; ++x) {
            out.values[size_t(x) * size_t(out.width) + size_t(y)] = row[x];
        }
    }
    return out;
}

double NoiseAlongEdge(const LumaPlane& plane) {
    if (plane.height < 2 || plane.width < 1) {
        return 0;
    }
    // A few thousand differences are plenty for a median; a large region is sampled sparsely.
    const size_t count = size_t(plane.height - 1) * size_t(plane.width);
    const size_t step = std::max<size_t>(1, count / 8192) | 1;
    std::vector<float> differences;
    differences.reserve(count / step + 1);
    for (size_t i = 0; i < count; i += step) {
        const size_t y = i / size_t(plane.width), x = i % size_t(plane.width);
        const float* row = plane.Row(int(y));
        differences.push_back(std::fabs(row[plane.width + x] - row[x]));
    }
    auto middle = differences.begin() + ptrdiff_t(differences.size() / 2);
    std::nth_element(differences.begin(), middle, differences.end());
    // The median of |a - b| for two samples of N(0, s) is 0.6745 * sqrt(2) * s.
    return double(*middle) / (0.6745 * std::sqrt(2.0));
}
