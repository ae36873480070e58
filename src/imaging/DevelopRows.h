// Row kernels shared by the demosaicing, the sharpening and the fused raw development.
// Each works on one row at a time so callers keep only a few rows of working data and the
// compiler can vectorise the inner loops; every result equals the per-pixel definition.
#pragma once

#include <cstdint>

#include "imaging/ImagingTypes.h"

// Kind of the sample at column 0 of sample row y (0 blue site, 1 green with blue left and
// right, 2 green with red left and right, 3 red site); odd columns have kind ^ 1.
inline int BayerKindAtRowStart(int phase, int y) {
    return (3 - phase) ^ (2 * (y & 1));
}

// Sample rows above and below y, mirrored at the picture's edges (height >= 2).
inline int RowAbove(int y) {
    return y == 0 ? 1 : y - 1;
}
inline int RowBelow(int y, int height) {
    return y == height - 1 ? height - 2 : y + 1;
}

// Demosaics sample row `mid` (neighbours `up`, `down`) into blue, green and red planes.
// Working values are 32-bit so the vector loops load them without widening.
void DemosaicRow(const BYTE* up, const BYTE* mid, const BYTE* down, int width, int kindAtStart,
                 int32_t* blue, int32_t* green, int32_t* red);

// Same, writing one packed BGR image row (3 bytes per pixel).
void DemosaicRowBgr(const BYTE* up, const BYTE* mid, const BYTE* down, int width, int kindAtStart,
                    BYTE* bgr);

// Maps each of `count` values (0..255) through the tone table, in place.
void ToneRow(int32_t* values, int count);

// One row of a pixel's working values: luma and the chroma after the saturation gain.
struct ConvertedRow {
    int32_t* luma;
    int32_t* crGain;
    int32_t* cbGain;
};

// Converts planar blue/green/red to luma and gained chroma.
void ConvertRow(const int32_t* blue, const int32_t* green, const int32_t* red, int width,
                const ConvertedRow& out);

// Same from one packed BGR image row.
void ConvertRowBgr(const BYTE* bgr, int width, const ConvertedRow& out);

// Sharpens the centre row (width >= 3) into a packed BGR row: the luma of columns 1..width-2
// is judged against its eight neighbours, the chroma is the centre's, and the outer columns
// repeat their inner neighbours.
void SharpenRow(const int32_t* lumaUp, const ConvertedRow& centre, const int32_t* lumaDown,
                int width, BYTE* bgr);

// Chooses the AVX2 build of the kernels (the default where the processor has it) or the
// baseline build; both give the same bytes. Reports FALSE when AVX2 was asked for and is
// not available. For tests and benchmarks that check the two against each other.
BOOL UseWideRowKernels(BOOL use);
