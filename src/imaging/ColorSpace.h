// BT.601 studio-range conversions between 8-bit RGB and Y/Cr/Cb used by the sharpening.
// Every operation is an IEEE double in the order of the written parentheses; results are
// truncated toward zero, then clamped to 0..255, so they agree on every machine.
// The development runs the fused row kernels (DevelopRows); these plain conversions, with
// SharpenImage, are the readable reference the tests and the benchmark hold the kernels to.
// Both take their coefficients from here.
#pragma once

namespace bt601 {
inline constexpr double kLumaRed = 0.257;
inline constexpr double kLumaGreen = 0.504;
inline constexpr double kLumaBlue = 0.098;
inline constexpr double kLumaOffset = 16.0;
inline constexpr double kChromaOffset = 128.0;
inline constexpr double kCrRed = 0.439;
inline constexpr double kCrGreen = 0.368;
inline constexpr double kCrBlue = 0.071;
inline constexpr double kCbRed = 0.148;
inline constexpr double kCbGreen = 0.291;
inline constexpr double kCbBlue = 0.439;
inline constexpr double kLumaScale = 1.164;
inline constexpr double kRedFromCr = 1.596;
inline constexpr double kGreenFromCr = 0.813;
inline constexpr double kGreenFromCb = 0.392;
inline constexpr double kBlueFromCb = 2.017;
}  // namespace bt601

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
