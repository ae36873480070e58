#include "session/FocusScale.h"

#include <algorithm>

namespace {

constexpr int64_t kMostSteps = 5;

// Rounds towards minus infinity, and away from zero for a negative numerator.
int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && a < 0 ? 1 : 0);
}

int64_t CeilDiv(int64_t a, int64_t b) {
    return a / b + (a % b != 0 && a > 0 ? 1 : 0);
}

}  // namespace

FocusScale ChooseFocusScale(int64_t low, int64_t high) {
    low = std::min<int64_t>(low, 0);
    high = std::max<int64_t>(high, 0);
    FocusScale scale;
    // 1, 2, 5, 10, 20, 50, ...: the first whose steps cover the range in five or fewer.
    for (int64_t power = 1;; power *= 10) {
        for (const int64_t mantissa : {1, 2, 5}) {
            scale.step = mantissa * power;
            scale.bottom = FloorDiv(low, scale.step) * scale.step;
            scale.top = CeilDiv(high, scale.step) * scale.step;
            if (scale.top == scale.bottom)
                scale.top = scale.bottom + kMostSteps * scale.step;
            if ((scale.top - scale.bottom) / scale.step <= kMostSteps)
                return scale;
        }
    }
}
