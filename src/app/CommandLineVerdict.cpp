#include "app/CommandLineVerdict.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "session/FocusFigure.h"

namespace {

template <typename T>
std::optional<T> LowerMedian(std::vector<T> values) {
    if (values.empty())
        return std::nullopt;
    const auto middle = values.begin() + static_cast<ptrdiff_t>((values.size() - 1) / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// A tilt as printed, two decimals: the verdict judges what the station reads.
double AsPrinted(double value, int decimals) {
    return std::strtod(FormatAmount(value, decimals).c_str(), nullptr);
}

std::string Quoted(const char* option, double limit, int decimals) {
    return std::string("--") + option + " " + FormatAmount(limit, decimals);
}

LimitResult Limit(const char* option, double limit) {
    LimitResult r;
    r.option = option;
    r.limit = limit;
    return r;
}

LimitResult JudgeFigure(double limit, const FigureStats& stats) {
    LimitResult r = Limit("min-figure", limit);
    if (stats.median)
        r.measured = *stats.median;
    r.bMet = r.measured && *r.measured >= limit;
    if (r.bMet)
        return r;
    r.missed = Quoted(r.option, limit, 4) + ": ";
    if (!r.measured)
        r.missed +=
            stats.samples ? "only overflows in the last second" : "no figure in the last second";
    else
        r.missed += "median " + FormatAmount(*r.measured, 0) + " (" +
                    FormatAmount(limit - *r.measured, 4) + " short)";
    return r;
}

LimitResult JudgeMtf50(double limit, const RegionStats& stats) {
    LimitResult r = Limit("min-mtf50", limit);
    std::string regions;
    // The weakest region stands for all: the first without an edge, else the lowest median.
    int weakest = 0;
    for (int i = 0; i < kSfrRegionCount; ++i) {
        const std::optional<double>& median = stats.median[i];
        if (stats.median[weakest] && (!median || *median < *stats.median[weakest]))
            weakest = i;
        if (median && *median >= limit)
            continue;
        regions += std::string(regions.empty() ? "" : ", ") +
                   SfrRegionKey(static_cast<SfrRegion>(i)) +
                   (median ? " " + FormatAmount(*median, 4) + " (" +
                                 FormatAmount(limit - *median, 4) + " short)"
                           : " no edge");
    }
    r.measured = stats.median[weakest];
    r.where = SfrRegionKey(static_cast<SfrRegion>(weakest));
    r.bMet = regions.empty();
    if (!r.bMet)
        r.missed = Quoted(r.option, limit, 4) + ": " + regions;
    return r;
}

LimitResult JudgeTilt(double limit, const RegionStats& stats) {
    LimitResult r = Limit("max-tilt", limit);
    if (!stats.tilt.bValid) {
        std::string corners;
        for (SfrRegion corner : {SfrRegion::TopLeft, SfrRegion::TopRight, SfrRegion::BottomLeft,
                                 SfrRegion::BottomRight}) {
            if (!stats.median[int(corner)])
                corners += std::string(corners.empty() ? "" : ", ") + SfrRegionKey(corner);
        }
        r.missed = Quoted(r.option, limit, 2) + ": no tilt measured, no edge in " +
                   (corners.empty() ? std::string("a corner") : corners);
        return r;
    }
    const double x = stats.tilt.x_percent, y = stats.tilt.y_percent;
    r.measured = std::max(std::abs(x), std::abs(y));
    r.where = std::abs(x) >= std::abs(y) ? "x" : "y";
    r.bMet = *r.measured <= limit;
    if (r.bMet)
        return r;
    std::string axes;
    for (const auto& [name, value] : {std::pair{"x", x}, std::pair{"y", y}}) {
        if (std::abs(value) <= limit)
            continue;
        axes += std::string(axes.empty() ? "" : ", ") + name + " " + FormatAmount(value, 2) +
                " % (" + FormatAmount(std::abs(value) - limit, 2) + " over)";
    }
    r.missed = Quoted(r.option, limit, 2) + ": " + axes;
    return r;
}

}  // namespace

std::string FormatAmount(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        s.erase(s.find_last_not_of('0') + 1);
        if (s.back() == '.')
            s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

FigureStats SummarizeFigures(const std::vector<FigureSample>& figures, int64_t from_ms) {
    FigureStats stats;
    std::vector<LONG> values;
    for (const FigureSample& f : figures) {
        if (f.elapsed_ms < from_ms)
            continue;
        ++stats.samples;
        if (IsFocusOverflow(f.value)) {
            ++stats.overflows;
            continue;
        }
        values.push_back(f.value);
        if (!stats.max || f.value > *stats.max) {
            stats.max = f.value;
            stats.peak_ms = f.elapsed_ms;
        }
        if (!stats.min || f.value < *stats.min)
            stats.min = f.value;
    }
    stats.median = LowerMedian(std::move(values));
    return stats;
}

RegionReadout MakeRegionSample(int64_t elapsed_ms, const RegionSharpness& sharpness) {
    RegionReadout sample;
    sample.elapsed_ms = elapsed_ms;
    for (int i = 0; i < kSfrRegionCount; ++i) {
        const EdgeSfr& region = sharpness.regions[i];
        if (region.bEdge)
            sample.mtf50[i] = std::strtod(FormatMtf50(region).c_str(), nullptr);
    }
    return sample;
}

RegionStats SummarizeRegions(const std::vector<RegionReadout>& readings, int64_t from_ms) {
    RegionStats stats;
    std::array<std::vector<double>, kSfrRegionCount> values;
    for (const RegionReadout& reading : readings) {
        if (reading.elapsed_ms < from_ms)
            continue;
        ++stats.readings;
        for (int i = 0; i < kSfrRegionCount; ++i) {
            if (reading.mtf50[i])
                values[i].push_back(*reading.mtf50[i]);
        }
    }
    RegionSharpness medians;
    for (int i = 0; i < kSfrRegionCount; ++i) {
        stats.median[i] = LowerMedian(std::move(values[i]));
        medians.regions[i].bEdge = stats.median[i].has_value();
        medians.regions[i].mtf50 = stats.median[i].value_or(0);
    }
    stats.tilt = MeasureTilt(medians);
    if (stats.tilt.bValid) {
        stats.tilt.x_percent = AsPrinted(stats.tilt.x_percent, 2);
        stats.tilt.y_percent = AsPrinted(stats.tilt.y_percent, 2);
    }
    return stats;
}

std::vector<LimitResult> JudgeLimits(const CommandLineOptions& options,
                                     const FigureStats& lastSecond, const RegionStats& regions) {
    std::vector<LimitResult> results;
    if (options.minFigure)
        results.push_back(JudgeFigure(*options.minFigure, lastSecond));
    if (options.minMtf50)
        results.push_back(JudgeMtf50(*options.minMtf50, regions));
    if (options.maxTilt_percent)
        results.push_back(JudgeTilt(*options.maxTilt_percent, regions));
    return results;
}

std::string FormatFocusSummary(const FigureStats& stats) {
    std::string line = "focus: " + std::to_string(stats.samples) + " samples, ";
    if (stats.median) {
        line += "min " + std::to_string(*stats.min) + ", median " + std::to_string(*stats.median) +
                ", max " + std::to_string(*stats.max) + " at " + std::to_string(stats.peak_ms) +
                " ms, ";
    } else {
        line += "none in range, ";
    }
    return line + std::to_string(stats.overflows) + " overflows";
}

std::string FormatMissedLimits(const std::vector<LimitResult>& limits) {
    std::string line;
    size_t missed = 0;
    for (const LimitResult& limit : limits) {
        if (limit.bMet)
            continue;
        line += (missed++ ? "; " : "") + limit.missed;
    }
    if (!missed)
        return {};
    return (missed == 1 ? "limit missed: " : "limits missed: ") + line;
}
