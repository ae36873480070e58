#include "imaging/ColorSpace.h"

void RgbToYCbCr(int red, int green, int blue, int& y, int& cr, int& cb) {
    const double r = red;
    const double g = green;
    const double b = blue;
    using namespace bt601;
    y = TruncateToByte(((kLumaBlue * b + kLumaRed * r) + kLumaGreen * g) + kLumaOffset);
    cr = TruncateToByte(((kCrRed * r - kCrGreen * g) - kCrBlue * b) + kChromaOffset);
    cb = TruncateToByte((kCbBlue * b - (kCbRed * r + kCbGreen * g)) + kChromaOffset);
}

void YCbCrToRgb(int y, int cr, int cb, int& red, int& green, int& blue) {
    using namespace bt601;
    const double yd = kLumaScale * double(y - 16);
    const double crd = double(cr - 128);
    const double cbd = double(cb - 128);
    red = TruncateToByte(kRedFromCr * crd + yd);
    green = TruncateToByte((yd - kGreenFromCr * crd) - kGreenFromCb * cbd);
    blue = TruncateToByte(kBlueFromCb * cbd + yd);
}
