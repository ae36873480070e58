#include "measure/EdgeSpread.h"

#include <algorithm>
#include <cmath>

namespace {

double Median(std::vector<double> values) {
    auto middle = values.begin() + ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Empty bins take the straight line between the nearest filled ones (or the nearest one).
void FillEmptyBins(std::vector<double>& esf, const std::vector<int>& counts) {
    const size_t size = esf.size();
    size_t previous = size;  // none yet
    for (size_t k = 0; k < size; ++k) {
        if (counts[k] == 0) {
            continue;
        }
        if (previous == size) {
            std::fill(esf.begin(), esf.begin() + ptrdiff_t(k), esf[k]);
        } else {
            for (size_t j = previous + 1; j < k; ++j) {
                const double t = double(j - previous) / double(k - previous);
                esf[j] = esf[previous] + t * (esf[k] - esf[previous]);
            }
        }
        previous = k;
    }
    if (previous != size) {
        std::fill(esf.begin() + ptrdiff_t(previous) + 1, esf.end(), esf[previous]);
    }
}

// The mean of bins [first, last).
double MeanOf(const std::vector<double>& values, size_t first, size_t last) {
    double sum = 0;
    for (size_t k = first; k < last; ++k) {
        sum += values[k];
    }
    return last > first ? sum / double(last - first) : 0;
}

}  // namespace

double ClearHalfRange(const LumaPlane& plane, const EdgeLine& line) {
    double reach = plane.width;
    for (int y = 0; y < plane.height; ++y) {
        const double x = line.X(y);
        reach = std::min({reach, x, plane.width - 1 - x});
    }
    return std::max(0.0, reach / std::sqrt(1 + line.slope * line.slope));
}

EdgeSpread BuildEdgeSpread(const LumaPlane& plane, const EdgeLine& line, double halfRange_px) {
    EdgeSpread spread;
    const size_t bins = size_t(std::floor(2 * halfRange_px / kEsfBin_px));
    spread.halfRange_px = double(bins) * kEsfBin_px / 2;
    spread.esf.assign(bins, 0.0);
    std::vector<int> counts(bins, 0);
    const double normal = 1 / std::sqrt(1 + line.slope * line.slope);  // cos of the angle
    const double reach = spread.halfRange_px / normal;                 // along a row
    for (int y = 0; y < plane.height; ++y) {
        const float* row = plane.Row(y);
        const double centre = line.X(y);
        const int first = std::max(0, int(std::ceil(centre - reach)));
        const int last = std::min(plane.width - 1, int(std::floor(centre + reach)));
        for (int x = first; x <= last; ++x) {
            const double bin = ((x - centre) * normal + spread.halfRange_px) / kEsfBin_px;
            if (bin >= 0 && bin < double(bins)) {
                spread.esf[size_t(bin)] += row[x];
                ++counts[size_t(bin)];
            }
        }
    }
    for (size_t k = 0; k < bins; ++k) {
        spread.esf[k] = counts[k] ? spread.esf[k] / counts[k] : 0;
    }
    FillEmptyBins(spread.esf, counts);
    return spread;
}

double RiseWidth(const EdgeSpread& spread, int polarity) {
    const std::vector<double>& esf = spread.esf;
    const size_t size = esf.size(), outer = std::max<size_t>(1, size * 15 / 100);
    if (size < 8) {
        return 0;
    }
    // Levels from the outer 15 % of each side; the rise read from a profile smoothed over a
    // pixel so that noise cannot cross a threshold early.
    const double left = MeanOf(esf, 0, outer), right = MeanOf(esf, size - outer, size);
    if ((right - left) * polarity <= 0) {
        return 0;
    }
    const auto level = [&](size_t k) {
        const size_t first = k >= 2 ? k - 2 : 0, last = std::min(size, k + 3);
        return (MeanOf(esf, first, last) - left) / (right - left);
    };
    size_t low = size / 2, high = size / 2;
    while (low > 0 && level(low) > 0.1) {
        --low;
    }
    while (high + 1 < size && level(high) < 0.9) {
        ++high;
    }
    if (level(low) > 0.1 || level(high) < 0.9) {
        return 0;
    }
    return std::max(kEsfBin_px, double(high - low) * kEsfBin_px);
}

std::vector<double> LineSpread(const EdgeSpread& spread, int polarity) {
    const std::vector<double>& esf = spread.esf;
    std::vector<double> lsf(esf.size(), 0.0);
    for (size_t k = 1; k + 1 < esf.size(); ++k) {
        lsf[k] = polarity * (esf[k + 1] - esf[k - 1]) / 2;
    }
    return lsf;
}

bool HasSecondEdge(const EdgeSpread& spread, const std::vector<double>& lsf, double width_px) {
    const size_t size = lsf.size();
    if (size < 8) {
        return true;
    }
    std::vector<double> smooth(size);
    for (size_t k = 0; k < size; ++k) {
        smooth[k] = MeanOf(lsf, k >= 2 ? k - 2 : 0, std::min(size, k + 3));
    }
    const size_t peak = size_t(std::max_element(smooth.begin(), smooth.end()) - smooth.begin());
    const double top = smooth[peak];
    if (!(top > 0) || std::fabs(spread.Distance(peak)) > std::max(2.0, width_px)) {
        return true;
    }
    size_t low = peak, high = peak;
    while (low > 0 && smooth[low - 1] >= 0.1 * top) {
        --low;
    }
    while (high + 1 < size && smooth[high + 1] >= 0.1 * top) {
        ++high;
    }
    // Ringing from a sharpened picture stays close to the edge's lobe; look beyond it.
    const auto margin = std::max(size_t(2 / kEsfBin_px), (high - low) / 2);
    std::vector<double> beyond;
    for (size_t k = 0; k < size; ++k) {
        if (k + margin < low || k > high + margin) {
            beyond.push_back(std::fabs(smooth[k]));
        }
    }
    if (beyond.empty()) {
        return false;
    }
    const double highest = *std::max_element(beyond.begin(), beyond.end());
    const double noise = 1.4826 * Median(beyond);
    return highest > 0.25 * top && highest > 6 * noise;
}
