#include "sim/SimOptics.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kInvSqrt2Pi = 0.3989422804014327;

double Phi(double z) {
    return 0.5 * std::erfc(-z * std::numbers::sqrt2 / 2);
}

// Integrated Gaussian cumulative distribution of u / sigma.
double Phi1(double u, double sigma) {
    if (sigma <= 0)
        return std::max(u, 0.0);
    const double z = u / sigma;
    return u * Phi(z) + sigma * kInvSqrt2Pi * std::exp(-0.5 * z * z);
}

// Twice integrated Gaussian cumulative distribution of u / sigma: its second difference over
// a pixel's corners integrates the blurred edge over the pixel.
double Phi2(double u, double sigma) {
    if (sigma <= 0)
        return u > 0 ? 0.5 * u * u : 0.0;
    const double z = u / sigma;
    return 0.5 * (u * u + sigma * sigma) * Phi(z) +
           0.5 * u * sigma * kInvSqrt2Pi * std::exp(-0.5 * z * z);
}

// Gaussian kernels every 1/64 pixel of sigma up to kKernelTableSigma, as short as the Gaussian's
// reach (three taps at least): the taps whose response is closest to exp(-2 pi^2 sigma^2 f^2)
// over 0 <= f <= 1/2, held exact at f = 0 and at the MTF50 frequency. Cutting the band-limited
// kernel short instead would leave its response 1.5 % off there at sigma 0.3.
class CKernelTable {
public:
    static constexpr int kPerPixel = 64;
    static constexpr int kTaps = 2 * kKernelTableRadius + 1;
    CKernelTable() {
        const int rows = static_cast<int>(kKernelTableSigma * kPerPixel) + 2;
        m_weights.resize(static_cast<size_t>(rows) * kTaps);
        m_radius.resize(static_cast<size_t>(rows));
        for (int i = 0; i < rows; ++i)
            Fill(static_cast<double>(i) / kPerPixel, i);
    }
    const float* Row(int i) const { return &m_weights[static_cast<size_t>(i) * kTaps]; }
    int Radius(int i) const { return m_radius[static_cast<size_t>(i)]; }

private:
    void Fill(double sigma, int i) {
        const int radius =
            std::min(kKernelTableRadius, std::max(3, static_cast<int>(std::ceil(4.5 * sigma))));
        const int n = radius + 1;
        // Weighted least squares over the response H(f) = h0 + 2 sum h_j cos(2 pi f j).
        constexpr int kSamples = 128;
        constexpr double kHeld = 1e6;
        double A[kKernelTableRadius + 1][kKernelTableRadius + 2] = {};
        auto add = [&](double f, double weight) {
            double basis[kKernelTableRadius + 1];
            for (int j = 0; j < n; ++j)
                basis[j] = j == 0 ? 1 : 2 * std::cos(2 * kPi * f * j);
            const double target = std::exp(-2 * kPi * kPi * sigma * sigma * f * f);
            for (int j = 0; j < n; ++j) {
                for (int k = 0; k < n; ++k)
                    A[j][k] += weight * basis[j] * basis[k];
                A[j][n] += weight * basis[j] * target;
            }
        };
        for (int k = 0; k <= kSamples; ++k)
            add(0.5 * k / kSamples, 1);
        add(0, kHeld);
        add(std::min(TrueMtf50(sigma), 0.5), kHeld);
        double h[kKernelTableRadius + 1];
        Solve(A, n, h);
        float* row = &m_weights[static_cast<size_t>(i) * kTaps + kKernelTableRadius];
        for (int j = 0; j <= kKernelTableRadius; ++j)
            row[j] = row[-j] = j < n ? static_cast<float>(h[j]) : 0.0f;
        m_radius[static_cast<size_t>(i)] = radius;
    }

    // Gaussian elimination with partial pivoting on the n x (n + 1) augmented matrix.
    static void Solve(double (*A)[kKernelTableRadius + 2], int n, double* x) {
        for (int c = 0; c < n; ++c) {
            int pivot = c;
            for (int r = c + 1; r < n; ++r) {
                if (std::abs(A[r][c]) > std::abs(A[pivot][c]))
                    pivot = r;
            }
            std::swap_ranges(A[c], A[c] + n + 1, A[pivot]);
            for (int r = c + 1; r < n; ++r) {
                const double m = A[r][c] / A[c][c];
                for (int k = c; k <= n; ++k)
                    A[r][k] -= m * A[c][k];
            }
        }
        for (int r = n - 1; r >= 0; --r) {
            double sum = A[r][n];
            for (int k = r + 1; k < n; ++k)
                sum -= A[r][k] * x[k];
            x[r] = sum / A[r][r];
        }
    }

    std::vector<float> m_weights;
    std::vector<int> m_radius;
};

const CKernelTable& KernelTable() {
    static const CKernelTable table;
    return table;
}

}  // namespace

void SimSigmaField::Range(double x0, double y0, double x1, double y1, double& lo,
                          double& hi) const {
    const double c[4] = {a + bx * x0 + by * y0, a + bx * x1 + by * y0, a + bx * x0 + by * y1,
                         a + bx * x1 + by * y1};
    const double least = *std::min_element(c, c + 4), most = *std::max_element(c, c + 4);
    const double far = std::max(std::abs(least), std::abs(most));
    const double near = (least <= 0 && most >= 0) ? 0 : std::min(std::abs(least), std::abs(most));
    lo = std::min(near * perStep, cap);
    hi = std::min(far * perStep, cap);
}

double EdgeProfile(double d, double sigma, double a, double b) {
    a = std::abs(a);
    b = std::abs(b);
    const double reach = 0.5 * (a + b) + 9 * sigma;
    if (d >= reach)
        return 1;
    if (d <= -reach)
        return 0;
    if (sigma >= kEdgeProfileExactBelow) {
        // The pixel adds the variance of two uniform widths a and b.
        return NormalCdfTable()(d / std::sqrt(sigma * sigma + (a * a + b * b) / 12));
    }
    if (a < 1e-6 || b < 1e-6) {
        // An edge along the pixel grid: the pixel is one width across it.
        const double w = std::max(a, b);
        return (Phi1(d + w / 2, sigma) - Phi1(d - w / 2, sigma)) / w;
    }
    const double ha = a / 2, hb = b / 2;
    return (Phi2(d + ha + hb, sigma) - Phi2(d + ha - hb, sigma) - Phi2(d - ha + hb, sigma) +
            Phi2(d - ha - hb, sigma)) /
           (a * b);
}

CNormalCdfTable::CNormalCdfTable() {
    for (size_t i = 0; i < std::size(m_values); ++i)
        m_values[i] = Phi(-kRange + static_cast<double>(i) * kStep);
}

const CNormalCdfTable& NormalCdfTable() {
    static const CNormalCdfTable table;
    return table;
}

double TrueMtf50(double sigma) {
    auto mtf = [&](double f) {
        const double aperture = f > 0 ? std::sin(kPi * f) / (kPi * f) : 1.0;
        return aperture * std::exp(-2 * kPi * kPi * sigma * sigma * f * f);
    };
    // Both factors fall on [0, 0.7], and the aperture alone is below a half at 0.7.
    double lo = 0, hi = 0.7;
    for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (lo + hi);
        (mtf(mid) > 0.5 ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

void GaussianKernel(double sigma, int R, float* w) {
    if (sigma < kKernelTableSigma) {
        const CKernelTable& table = KernelTable();
        const double t = sigma * CKernelTable::kPerPixel;
        const int i = static_cast<int>(t);
        const float f = static_cast<float>(t - i);
        const float* lo = table.Row(i) + kKernelTableRadius;
        const float* hi = table.Row(i + 1) + kKernelTableRadius;
        const int taps = std::min(R, kKernelTableRadius);
        for (int j = -taps; j <= taps; ++j)
            w[j] = lo[j] + f * (hi[j] - lo[j]);
        for (int j = taps + 1; j <= R; ++j)
            w[j] = w[-j] = 0;
        return;
    }
    // exp(-j^2 / 2s^2) by products: q^(j^2) = q^((j-1)^2) * q^(2j-1).
    const double q = std::exp(-0.5 / (sigma * sigma));
    double value = 1, step = q, total = 1;
    w[0] = 1;
    for (int j = 1; j <= R; ++j) {
        value *= step;
        step *= q * q;
        w[j] = w[-j] = static_cast<float>(value);
        total += 2 * value;
    }
    const float scale = static_cast<float>(1 / total);
    for (int j = -R; j <= R; ++j)
        w[j] *= scale;
}

int GaussianKernelRadius(double lo, double hi) {
    lo = std::max(lo, 0.0);
    int radius = 0;
    // The band-limited kernels ring further at small sigma than the Gaussian reaches.
    const int last =
        static_cast<int>(std::min(hi, kKernelTableSigma) * CKernelTable::kPerPixel) + 1;
    for (int i = static_cast<int>(std::min(lo, kKernelTableSigma) * CKernelTable::kPerPixel);
         i <= last; ++i) {
        radius = std::max(radius, KernelTable().Radius(i));
    }
    // exp(-R^2 / 2 sigma^2) / (sigma sqrt(2 pi)) < 1e-5 from R = 4.5 sigma on.
    if (hi >= kKernelTableSigma)
        radius = std::max(radius, static_cast<int>(std::ceil(4.5 * hi)));
    return radius;
}

double GaussianKernelResponse(double sigma, int R, double f) {
    std::vector<float> w(static_cast<size_t>(2 * R + 1));
    GaussianKernel(sigma, R, w.data() + R);
    double response = 0;
    for (int j = -R; j <= R; ++j)
        response += w[static_cast<size_t>(j + R)] * std::cos(2 * kPi * f * j);
    return response;
}
