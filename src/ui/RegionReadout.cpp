#include "ui/RegionReadout.h"

#include <cmath>

#include "session/PeakTracker.h"

namespace {

const QString kNone = QStringLiteral("\u2014");

struct RegionLook {
    const char* name;
    const char* shortName;
    QRgb trace;
};

// In SfrRegion order.
constexpr RegionLook kLooks[kSfrRegionCount] = {
    {"Centre", "C", 0xFF7B3FA0},        // purple
    {"Top left", "TL", 0xFFE07B00},     // orange
    {"Top right", "TR", 0xFF1A9E77},    // teal
    {"Bottom left", "BL", 0xFFC2185B},  // magenta
    {"Bottom right", "BR", 0xFF6D8B00}  // olive
};

const RegionLook& LookOf(SfrRegion region) {
    const int index = int(region);
    return kLooks[index >= 0 && index < kSfrRegionCount ? index : 0];
}

QString TiltText(bool bValid, double percent, const char* axis, const char* towards,
                 const char* away) {
    if (!bValid)
        return kNone;
    const long rounded = std::lround(std::fabs(percent));
    if (std::fabs(percent) < kLevelTilt_percent)
        return QStringLiteral("%1 level").arg(QString::fromUtf8(axis));
    return QStringLiteral("%1 sharper by %2 %")
        .arg(QString::fromUtf8(percent > 0 ? towards : away))
        .arg(rounded);
}

}  // namespace

RegionState RegionStateOf(const EdgeSfr& region, const CPeakTracker& peak) {
    if (!region.bEdge)
        return RegionState::NoEdge;
    if (region.bClipped)
        return RegionState::Clipped;
    return peak.InFocus(region.mtf50) ? RegionState::InFocus : RegionState::Searching;
}

QString RegionStateWord(RegionState state) {
    switch (state) {
        case RegionState::NoEdge:
            return QStringLiteral("no edge");
        case RegionState::Clipped:
            return QStringLiteral("clipped");
        case RegionState::InFocus:
            return QStringLiteral("in focus");
        case RegionState::Searching:
            break;
    }
    return QStringLiteral("searching");
}

QRgb RegionStateRgb(RegionState state) {
    switch (state) {
        case RegionState::NoEdge:
            return 0xFF9A9A9A;
        case RegionState::Clipped:
            return 0xFFD02020;
        case RegionState::InFocus:
            return 0xFF2E9D3A;
        case RegionState::Searching:
            break;
    }
    return 0xFFF0A000;
}

QString RegionName(SfrRegion region) {
    return QString::fromLatin1(LookOf(region).name);
}

QString RegionShortName(SfrRegion region) {
    return QString::fromLatin1(LookOf(region).shortName);
}

QRgb RegionTraceRgb(SfrRegion region) {
    return LookOf(region).trace;
}

QString Mtf50Text(double mtf50) {
    return std::isnan(mtf50) ? kNone : QString::number(mtf50, 'f', 4);
}

QString Mtf50Text(const EdgeSfr& region) {
    return region.bEdge ? Mtf50Text(region.mtf50) : kNone;
}

QString TiltAcrossText(const ImageTilt& tilt) {
    return TiltText(tilt.bValid, tilt.x_percent, "\u2194", "\u2190 left", "\u2192 right");
}

QString TiltUpDownText(const ImageTilt& tilt) {
    return TiltText(tilt.bValid, tilt.y_percent, "\u2195", "\u2191 top", "\u2193 bottom");
}
