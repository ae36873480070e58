// The straightforward reading of raw development, pixel by pixel with a full working image
// and nine conversions per window. Slow on purpose: the fast paths must match it exactly.
#pragma once

#include <cstddef>
#include <vector>

#include "imaging/ToneCurve.h"
#include "platform/com/Types.h"

namespace reference {

inline int TruncClamp(double value) {
    // Truncation toward zero first, then clamping.
    const long long truncated = static_cast<long long>(value);
    return truncated < 0 ? 0 : (truncated > 255 ? 255 : static_cast<int>(truncated));
}

inline void RgbToYCbCr(int red, int green, int blue, int& y, int& cr, int& cb) {
    y = TruncClamp(((0.098 * blue + 0.257 * red) + 0.504 * green) + 16);
    cr = TruncClamp(((0.439 * red - 0.368 * green) - 0.071 * blue) + 128);
    cb = TruncClamp((0.439 * blue - (0.148 * red + 0.291 * green)) + 128);
}

inline void YCbCrToRgb(int y, int cr, int cb, int& red, int& green, int& blue) {
    const double yd = 1.164 * (y - 16);
    red = TruncClamp(1.596 * (cr - 128) + yd);
    green = TruncClamp((yd - 0.813 * (cr - 128)) - 0.392 * (cb - 128));
    blue = TruncClamp(2.017 * (cb - 128) + yd);
}

inline void Demosaic(const BYTE* samples, int width, int height, int phase, BYTE* image) {
    const int b = 3 - phase;
    auto at = [&](int row, int col) { return int(samples[size_t(row) * width + col]); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int up = y == 0 ? 1 : y - 1;
            const int down = y == height - 1 ? height - 2 : y + 1;
            const int left = x == 0 ? 1 : x - 1;
            const int right = x == width - 1 ? width - 2 : x + 1;
            const int m = at(y, x), u = at(up, x), d = at(down, x);
            const int l = at(y, left), r = at(y, right);
            const int orth = u + d + l + r;
            const int diag = at(up, left) + at(up, right) + at(down, left) + at(down, right);
            const int kind = b ^ (2 * (y % 2) + (x % 2));
            int blue = 0, green = 0, red = 0;
            switch (kind) {
                case 0:
                    blue = m, green = orth / 4, red = diag / 4;
                    break;
                case 1:
                    blue = (l + r) / 2, green = (4 * m + diag) / 8, red = (u + d) / 2;
                    break;
                case 2:
                    blue = (u + d) / 2, green = (4 * m + diag) / 8, red = (l + r) / 2;
                    break;
                default:
                    blue = diag / 4, green = orth / 4, red = m;
                    break;
            }
            BYTE* pixel = image + (size_t(height - 1 - y) * width + x) * 3;
            pixel[0] = BYTE(blue), pixel[1] = BYTE(green), pixel[2] = BYTE(red);
        }
    }
}

inline void ToneCurve(BYTE* image, int width, int height) {
    for (size_t i = 0; i < size_t(3) * width * height; ++i)
        image[i] = ToneTable[image[i]];
}

inline void Sharpen(BYTE* image, int width, int height) {
    std::vector<BYTE> work(size_t(3) * width * height);
    auto px = [&](BYTE* base, int row, int col) { return base + (size_t(row) * width + col) * 3; };
    for (int row = 1; row < height - 1; ++row) {
        for (int col = 1; col < width - 1; ++col) {
            int ys[3][3], yc = 0, crc = 0, cbc = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const BYTE* p = px(image, row + dy, col + dx);
                    int cr = 0, cb = 0;
                    RgbToYCbCr(p[2], p[1], p[0], ys[dy + 1][dx + 1], cr, cb);
                    if (dy == 0 && dx == 0)
                        yc = ys[1][1], crc = cr, cbc = cb;
                }
            }
            const int sum = ys[0][0] + ys[0][1] + ys[0][2] + ys[1][0] + ys[1][2] + ys[2][0] +
                            ys[2][1] + ys[2][2];
            int n = 9 * yc - sum;
            n = n < 0 ? 0 : (n > 255 ? 255 : n);
            const int diff = n - yc < 0 ? yc - n : n - yc;
            BYTE* w = px(work.data(), row, col);
            w[0] = BYTE(diff < 16 ? yc : n);
            w[1] = BYTE(TruncClamp((crc - 128) * 1.5 + 128));
            w[2] = BYTE(TruncClamp((cbc - 128) * 1.5 + 128));
        }
    }
    const size_t stride = size_t(3) * width;
    for (size_t i = 0; i < stride; ++i) {
        work[i] = work[stride + i];
        work[(height - 1) * stride + i] = work[(height - 2) * stride + i];
    }
    for (int row = 0; row < height; ++row) {
        for (int c = 0; c < 3; ++c) {
            px(work.data(), row, 0)[c] = px(work.data(), row, 1)[c];
            px(work.data(), row, width - 1)[c] = px(work.data(), row, width - 2)[c];
        }
    }
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const BYTE* w = px(work.data(), row, col);
            int red = 0, green = 0, blue = 0;
            YCbCrToRgb(w[0], w[1], w[2], red, green, blue);
            BYTE* p = px(image, row, col);
            p[0] = BYTE(blue), p[1] = BYTE(green), p[2] = BYTE(red);
        }
    }
}

// Demosaic, tone curve and sharpening in that order; small pictures are left unsharpened.
inline void Develop(const BYTE* samples, int width, int height, int phase, BYTE* image) {
    Demosaic(samples, width, height, phase, image);
    ToneCurve(image, width, height);
    if (width >= 3 && height >= 3)
        Sharpen(image, width, height);
}

}  // namespace reference
