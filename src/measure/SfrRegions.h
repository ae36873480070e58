// The five places of a picture where sharpness is measured: the centre and the four corners,
// each a square whose size follows the picture's width, so a preview frame and a still of the
// same chart look at the same parts of it.
#pragma once

inline constexpr int kSfrRegionCount = 5;

// In index order: RegionSharpness::regions[int(region)].
enum class SfrRegion { Centre, TopLeft, TopRight, BottomLeft, BottomRight };

// "c", "tl", "tr", "bl", "br": the suffixes of the CSV columns (mtf50_c, ...).
const char* SfrRegionKey(SfrRegion region);

// Pixels, rows counted from the top; width or height 0 when nothing of it is in the picture.
struct SfrRect {
    int left, top, width, height;

    bool operator==(const SfrRect&) const = default;
};

// A square of side width/8 (rounded) centred at (0.5,0.5), (0.15,0.15), (0.85,0.15),
// (0.15,0.85), (0.85,0.85) of the picture's width and height, clipped to the picture.
SfrRect SfrRegionRect(SfrRegion region, int width, int height);
