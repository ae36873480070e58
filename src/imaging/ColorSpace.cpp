#include "imaging/ColorSpace.h"

void RgbToYCbCr(int red, int green, int blue, int& y, int& cr, int& cb) {
    const double r = red;
    const double g = green;
    const double b = blue;
    y = TruncateToByte(((0.098 * b + 0.257 * r) + 0.504 * g) + 16.0);
    cr = TruncateToByte(((0.439 * r - 0.368 * g) - 0.071 * b) + 128.0);
    cb = TruncateToByte((0.439 * b - (0.148 * r + 0.291 * g)) + 128.0);
}

void YCbCrToRgb(int y, int cr, int cb, int& red, int& green, int& blue) {
    const double yd = 1.164 * double(y - 16);
    const double crd = double(cr - 128);
    const double cbd = double(cb - 128);
    red = TruncateToByte(1.596 * crd + yd);
    green = TruncateToByte((yd - 0.813 * crd) - 0.392 * cbd);
    blue = TruncateToByte(2.017 * cbd + yd);
}
