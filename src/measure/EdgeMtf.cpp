#include "measure/EdgeMtf.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace {

constexpr double kMaxFrequency = 1.0;  // cycles per pixel; a perfect lens's pixels give 0.6
constexpr double kScanStep = 0.005;
constexpr double kFlatPart = 0.6;

double Sinc(double x) {
    const double px = std::numbers::pi * x;
    return px == 0 ? 1 : std::sin(px) / px;
}

// The windowed LSF and the distance of its first sample; only where the window is not zero.
struct WindowedLsf {
    std::vector<double> values;
    double first_px = 0;
};

WindowedLsf ApplyWindow(const EdgeSpread& spread, const std::vector<double>& lsf,
                        double halfWidth_px) {
    WindowedLsf out;
    for (size_t k = 0; k < lsf.size(); ++k) {
        const double weight = TaperWindow(spread.Distance(k), halfWidth_px);
        if (weight <= 0) {
            continue;
        }
        if (out.values.empty()) {
            out.first_px = spread.Distance(k);
        }
        out.values.push_back(weight * lsf[k]);
    }
    return out;
}

// |sum of lsf * e^(-2 pi i f d)|, the phase advanced bin by bin.
double Magnitude(const WindowedLsf& lsf, double frequency) {
    const double turn = -2 * std::numbers::pi * frequency;
    std::complex<double> phase = std::polar(1.0, turn * lsf.first_px);
    const std::complex<double> advance = std::polar(1.0, turn * kEsfBin_px);
    std::complex<double> sum = 0;
    for (double value : lsf.values) {
        sum += value * phase;
        phase *= advance;
    }
    return std::abs(sum);
}

// Normalised, then divided by what the central difference (a sinc over two bins) and the
// averaging within a bin (a sinc over one) do to every edge.
double Modulation(const WindowedLsf& lsf, double atZero, double frequency) {
    const double own = Sinc(2 * frequency * kEsfBin_px) * Sinc(frequency * kEsfBin_px);
    return Magnitude(lsf, frequency) / atZero / own;
}

}  // namespace

double TaperWindow(double distance_px, double halfWidth_px) {
    const double flat = kFlatPart * halfWidth_px;
    const double from = std::fabs(distance_px);
    if (from <= flat) {
        return 1;
    }
    if (from >= halfWidth_px) {
        return 0;
    }
    return 0.5 * (1 + std::cos(std::numbers::pi * (from - flat) / (halfWidth_px - flat)));
}

bool MeasureMtf(const EdgeSpread& spread, const std::vector<double>& lsf, double width_px,
                EdgeMtf& mtf) {
    // Wide enough that the flat part holds the whole lobe; no wider, to keep the noise out.
    const double halfWidth = std::min(spread.halfRange_px, std::max(3.0, 2.5 * width_px));
    const WindowedLsf windowed = ApplyWindow(spread, lsf, halfWidth);
    double atZero = 0;
    for (double value : windowed.values) {
        atZero += value;
    }
    if (!(atZero > 0)) {
        return false;
    }
    double below = 0, above = kScanStep;
    while (Modulation(windowed, atZero, above) >= 0.5) {
        below = above;
        above += kScanStep;
        if (above > kMaxFrequency) {
            return false;
        }
    }
    for (int i = 0; i < 24; ++i) {
        const double middle = (below + above) / 2;
        (Modulation(windowed, atZero, middle) >= 0.5 ? below : above) = middle;
    }
    mtf.mtf50 = (below + above) / 2;
    mtf.mtfAt0125 = Modulation(windowed, atZero, 0.125);
    return true;
}
