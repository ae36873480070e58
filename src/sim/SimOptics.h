// The simulated lens and sensor in numbers: the blur sigma that the lens position and tilt give
// each place of the picture, the kernels that blur a sampled picture by a Gaussian, the exact
// profile of a straight edge seen through one pixel and that Gaussian, and the MTF50 that all
// this has. Internal to CSimScene, and the truth its tests hold the pictures to.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

// Blur sigma, in pixels, at each place of a picture: the lens is in focus where
// a + bx * x + by * y is zero (x, y in pixel coordinates, pixel (i, j) covering
// [i, i+1) x [j, j+1)), and blurs `perStep` pixels more per lens step off, up to `cap`.
struct SimSigmaField {
    double a = 0, bx = 0, by = 0;
    double perStep = 0, cap = 0;

    double At(double x, double y) const {
        return std::min(std::abs(a + bx * x + by * y) * perStep, cap);
    }
    // Least and greatest sigma over the rectangle [x0, x1] x [y0, y1].
    void Range(double x0, double y0, double x1, double y1, double& lo, double& hi) const;
};

// The fraction of a pixel, blurred by a Gaussian of `sigma` pixels, that lies inside a straight
// edge whose normal is (a, b) (a*a + b*b = 1), `d` pixels from the pixel's centre (positive
// when the centre is inside). Exact at small sigma (the pixel's area integrated in closed form);
// from sigma 1 on a Gaussian of the pixel's added variance, within 2e-4.
double EdgeProfile(double d, double sigma, double a, double b);

// The sigma below which EdgeProfile integrates the pixel exactly.
inline constexpr double kEdgeProfileExactBelow = 1.0;

// The standard normal distribution at any z from a table: linear interpolation over 1/512 steps
// is within 1.2e-7. EdgeProfile's from kEdgeProfileExactBelow on.
class CNormalCdfTable {
public:
    static constexpr double kRange = 8.5, kStep = 1.0 / 512;
    CNormalCdfTable();
    double operator()(double z) const {
        // Within the range t is at most 2 kRange / kStep, the table's last index but one.
        const double t = (std::clamp(z, -kRange, kRange) + kRange) / kStep;
        const size_t i = static_cast<size_t>(t);
        const double f = t - static_cast<double>(i);
        return m_values[i] + f * (m_values[i + 1] - m_values[i]);
    }

private:
    double m_values[static_cast<size_t>(2 * kRange / kStep) + 2];
};
const CNormalCdfTable& NormalCdfTable();

// The fraction of a pixel inside a square of half-side `half` whose axes are (a, b) and
// (-b, a) (a, b >= 0), u and v pixels from its centre along them, blurred by `sigma`: the
// product of the EdgeProfile across each pair of opposite edges. The wide-sigma branch is
// worked out once for all four edges and inline, with `phi` (NormalCdfTable()) looked up once
// by the caller: a wide blur spreads a square over millions of pixels.
__attribute__((always_inline)) inline double SquareProfile(const CNormalCdfTable& phi, double u,
                                                           double v, double half, double sigma,
                                                           double a, double b) {
    if (sigma < kEdgeProfileExactBelow) {
        return (EdgeProfile(half - u, sigma, a, b) + EdgeProfile(half + u, sigma, a, b) - 1) *
               (EdgeProfile(half - v, sigma, b, a) + EdgeProfile(half + v, sigma, b, a) - 1);
    }
    const double reach = 0.5 * (a + b) + 9 * sigma;
    const double scale = 1 / std::sqrt(sigma * sigma + (a * a + b * b) / 12);
    auto edge = [&](double d) { return d >= reach ? 1.0 : d <= -reach ? 0.0 : phi(d * scale); };
    return (edge(half - u) + edge(half + u) - 1) * (edge(half - v) + edge(half + v) - 1);
}

// The frequency, in cycles per pixel, at which a Gaussian of `sigma` pixels seen through the
// pixel's area (a box one pixel wide) passes half the contrast.
double TrueMtf50(double sigma);

// Weights w[-R..R] (w points at w[0]) of the sampled kernel that blurs by a Gaussian of `sigma`
// pixels: below kKernelTableSigma the band-limited Gaussian (its response is the Gaussian's up
// to half the sampling rate) over the Gaussian's reach, above it the sampled Gaussian, which is
// the same there.
void GaussianKernel(double sigma, int R, float* w);
// The radius of GaussianKernel's taps, for every sigma in [lo, hi].
int GaussianKernelRadius(double lo, double hi);
// The response of GaussianKernel(sigma, R) at `f` cycles per pixel.
double GaussianKernelResponse(double sigma, int R, double f);

inline constexpr double kKernelTableSigma = 4.0;
inline constexpr int kKernelTableRadius = 18;
