// The focus chart's vertical scale: round numbers that take in every figure shown, from zero
// (or below, for negative figures) to just above the highest, in at most five even steps.
#pragma once

#include <cstdint>

struct FocusScale {
    int64_t bottom = 0;
    int64_t top = 0;
    int64_t step = 1;  // between labelled lines: 1, 2 or 5 times a power of ten
};

// The scale for figures from `low` to `high`. Zero always lies on it, so heights compare as
// the figures do; an empty range still gets a scale of five steps of one.
FocusScale ChooseFocusScale(int64_t low, int64_t high);
