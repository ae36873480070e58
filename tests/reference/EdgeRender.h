// Pictures of one ideal straight edge between two levels, blurred by a Gaussian point spread
// function of known sigma and integrated exactly over each pixel's square, with the MTF that
// such an edge has in closed form: what the sharpness measurement is held to.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <vector>

#include "measure/BgrView.h"
#include "measure/SfrRegions.h"

namespace reference {

struct EdgeSpec {
    double sigma_px = 1.0;
    double angle_deg = 5.0;  // off vertical or horizontal, clockwise on the screen
    bool bHorizontal = false;
    bool bFalling = false;  // light on the left (vertical) or above (horizontal)
    double low = 50, high = 200;
    double noise = 0;  // standard deviation in levels; the same sequence for the same seed
    uint32_t seed = 1;
    double shift_px = 0;  // from the rect's centre along the edge's normal
};

// A gray picture in memory, top row first, each row padded to 4 bytes as a preview frame is.
struct BgrPicture {
    int width = 0, height = 0;
    ptrdiff_t stride = 0;
    std::vector<uint8_t> bytes;

    BgrView View() const { return {bytes.data(), width, height, stride}; }
    uint8_t* Pixel(int x, int y) { return bytes.data() + y * stride + 3 * x; }
};

inline BgrPicture MakePicture(int width, int height, uint8_t level) {
    BgrPicture picture{width, height, (ptrdiff_t(3) * width + 3) / 4 * 4, {}};
    picture.bytes.assign(size_t(picture.stride) * size_t(height), level);
    return picture;
}

inline double NormalCdf(double u) {
    return 0.5 * std::erfc(-u / std::numbers::sqrt2);
}
inline double NormalPdf(double u) {
    return std::exp(-u * u / 2) / std::sqrt(2 * std::numbers::pi);
}
// G' = Phi and H' = G: the first and second integrals of the normal distribution function.
inline double G(double u) {
    return u * NormalCdf(u) + NormalPdf(u);
}
inline double H(double u) {
    return ((u * u + 1) * NormalCdf(u) + u * NormalPdf(u)) / 2;
}

// The integral of Phi((a x + b y + c) / sigma) over the pixel [x0, x0+1] x [y0, y0+1], a^2 +
// b^2 = 1: sigma^2 / (a b) times the second difference of H over the corners.
inline double CoveredFraction(double a, double b, double c, double sigma, double x0, double y0) {
    const auto u = [&](double x, double y) { return (a * x + b * y + c) / sigma; };
    const double u00 = u(x0, y0), u10 = u(x0 + 1, y0), u01 = u(x0, y0 + 1);
    const double u11 = u(x0 + 1, y0 + 1);
    if (std::min({u00, u10, u01, u11}) > 9)
        return 1;
    if (std::max({u00, u10, u01, u11}) < -9)
        return 0;
    // Along an axis the edge hardly crosses, the mid-line of the pixel is exact enough.
    if (std::fabs(b) / sigma < 1e-6)
        return sigma / a * (G(u(x0 + 1, y0 + 0.5)) - G(u(x0, y0 + 0.5)));
    if (std::fabs(a) / sigma < 1e-6)
        return sigma / b * (G(u(x0 + 0.5, y0 + 1)) - G(u(x0 + 0.5, y0)));
    return sigma * sigma / (a * b) * (H(u11) - H(u10) - H(u01) + H(u00));
}

// Gaussian noise from a fixed generator (the standard library's distributions differ).
class CNoise {
public:
    explicit CNoise(uint32_t seed) : m_state(seed * 2654435761u + 1) {}
    double Next() {
        const double u1 = (double(Bits() >> 8) + 1) / 16777217.0;
        const double u2 = double(Bits() >> 8) / 16777216.0;
        return std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::numbers::pi * u2);
    }

private:
    uint32_t Bits() { return m_state = m_state * 1664525u + 1013904223u; }
    uint32_t m_state;
};

// Renders the edge over rect (inside the picture), through its centre moved by shift_px.
inline void RenderEdge(BgrPicture& picture, const SfrRect& rect, const EdgeSpec& edge) {
    const double angle = edge.angle_deg * std::numbers::pi / 180;
    // The normal points to the side that is light unless the edge falls.
    const double a = edge.bHorizontal ? -std::sin(angle) : std::cos(angle);
    const double b = edge.bHorizontal ? std::cos(angle) : std::sin(angle);
    const double cx = rect.left + rect.width / 2.0, cy = rect.top + rect.height / 2.0;
    const double c = -(a * cx + b * cy) - edge.shift_px;
    const double from = edge.bFalling ? edge.high : edge.low;
    const double to = edge.bFalling ? edge.low : edge.high;
    CNoise noise(edge.seed);
    for (int y = rect.top; y < rect.top + rect.height; ++y) {
        for (int x = rect.left; x < rect.left + rect.width; ++x) {
            double value = from + (to - from) * CoveredFraction(a, b, c, edge.sigma_px, x, y);
            if (edge.noise > 0)
                value += edge.noise * noise.Next();
            const auto level = uint8_t(std::clamp(std::lround(value), 0l, 255l));
            uint8_t* pixel = picture.Pixel(x, y);
            pixel[0] = pixel[1] = pixel[2] = level;
        }
    }
}

// A chart: in each region r an edge blurred by sigmas[r] (none where it is 0), vertical in the
// centre and the right corners, horizontal in the left ones, turned 5 degrees one way in the
// top three and 6 the other in the bottom two.
inline BgrPicture RegionChart(int width, int height,
                              const std::array<double, kSfrRegionCount>& sigmas, double noise = 0) {
    BgrPicture picture = MakePicture(width, height, 120);
    for (int r = 0; r < kSfrRegionCount; ++r) {
        if (sigmas[r] <= 0)
            continue;
        EdgeSpec edge;
        edge.sigma_px = sigmas[r];
        edge.bHorizontal = r % 2 == 1;
        edge.angle_deg = r < 3 ? 5 : -6;
        edge.noise = noise;
        edge.seed = uint32_t(r + 1);
        RenderEdge(picture, SfrRegionRect(SfrRegion(r), width, height), edge);
    }
    return picture;
}

// The picture as the camera hands a still over: bottom-up rows, packed.
inline std::vector<uint8_t> BottomUpStill(const BgrPicture& picture) {
    const size_t row = size_t(3) * size_t(picture.width);
    std::vector<uint8_t> still(row * size_t(picture.height));
    for (int y = 0; y < picture.height; ++y)
        std::copy_n(picture.bytes.data() + y * picture.stride, row,
                    still.data() + size_t(picture.height - 1 - y) * row);
    return still;
}

// The Gaussian's MTF times the pixel's square aperture, in cycles per pixel.
inline double AnalyticMtf(double sigma, double frequency) {
    const double pf = std::numbers::pi * frequency;
    const double aperture = pf == 0 ? 1 : std::fabs(std::sin(pf) / pf);
    return std::exp(-2 * std::numbers::pi * std::numbers::pi * sigma * sigma * frequency *
                    frequency) *
           aperture;
}

inline double AnalyticMtf50(double sigma) {
    double below = 0, above = 1;
    for (int i = 0; i < 60; ++i) {
        const double middle = (below + above) / 2;
        (AnalyticMtf(sigma, middle) > 0.5 ? below : above) = middle;
    }
    return (below + above) / 2;
}

}  // namespace reference
