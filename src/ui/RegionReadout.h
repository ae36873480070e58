// What the five regions' read-outs say and in which colour, shared by the focus history's
// panel, the preview's outlines and the snapshot view's measurement.
#pragma once

#include <QColor>
#include <QString>

#include "measure/RegionSharpness.h"

class CPeakTracker;

// A region's state, most telling first: no edge found, an edge in a region with clipped
// pixels (its figure is not to be trusted), in focus by the peak rule, or still searching.
enum class RegionState { NoEdge, Clipped, InFocus, Searching };

RegionState RegionStateOf(const EdgeSfr& region, const CPeakTracker& peak);
// "no edge", "clipped", "in focus", "searching".
QString RegionStateWord(RegionState state);
// The outline's colour: grey, red, green, amber.
QRgb RegionStateRgb(RegionState state);

// "Centre", "Top left", ...; and "C", "TL", ...
QString RegionName(SfrRegion region);
QString RegionShortName(SfrRegion region);
// Each region's trace on the focus history chart.
QRgb RegionTraceRgb(SfrRegion region);

// An MTF50 as the read-outs show it, four decimals ("0.2817"); "—" for none (NaN or no edge).
QString Mtf50Text(double mtf50);
QString Mtf50Text(const EdgeSfr& region);

// Corners that differ by less than this share of their mean read "level".
inline constexpr double kLevelTilt_percent = 5.0;
// Which side is sharper across ("← left sharper by 23 %", "→ right sharper by 8 %") and up
// and down ("↑ top sharper by 6 %", "↓ bottom ..."); "↔ level" or "↕ level" within
// kLevelTilt_percent; "—" when a corner has no edge.
QString TiltAcrossText(const ImageTilt& tilt);
QString TiltUpDownText(const ImageTilt& tilt);
