// A read-only view of 24-bit pixels (blue, green, red) with any row step, so preview frames
// (bottom-up, rows padded to 4 bytes) and stills are measured where they lie, without copying.
#pragma once

#include <cstddef>
#include <cstdint>

struct BgrView {
    const uint8_t* top;  // the first byte of the picture's top row
    int width;
    int height;
    ptrdiff_t stride;  // bytes from one row to the one below it; negative for bottom-up storage
};

// The first byte of row y, counted from the top.
inline const uint8_t* BgrRow(const BgrView& view, int y) {
    return view.top + ptrdiff_t(y) * view.stride;
}
