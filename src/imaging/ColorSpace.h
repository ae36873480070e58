// BT.601 studio-range conversions between 8-bit RGB and Y/Cr/Cb used by the sharpening.
// Every operation is an IEEE double in the order of the written parentheses; results are
// truncated toward zero, then clamped to 0..255, so they agree on every machine.
#pragma once

void RgbToYCbCr(int red, int green, int blue, int& y, int& cr, int& cb);
void YCbCrToRgb(int y, int cr, int cb, int& red, int& green, int& blue);

// Truncation toward zero followed by clamping; negative values all end at 0.
inline int TruncateToByte(double value) {
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= 255.0) {
        return 255;
    }
    return int(value);
}
