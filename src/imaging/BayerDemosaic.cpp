#include "imaging/BayerDemosaic.h"

#include <cstddef>

#include "imaging/DevelopRows.h"

void DemosaicBayer(const BYTE* samples, int width, int height, int phase, BYTE* image) {
    // Mirrored neighbours lie one row or column inside the picture; smaller pictures and
    // unknown phases have no defined result, so the image is left alone.
    if (samples == nullptr || image == nullptr || width < 2 || height < 2 || phase < 0 ||
        phase > 3) {
        return;
    }
    const size_t sampleStride = size_t(width);
    const size_t imageStride = size_t{3} * size_t(width);
    for (int y = 0; y < height; ++y) {
        DemosaicRowBgr(samples + size_t(RowAbove(y)) * sampleStride,
                       samples + size_t(y) * sampleStride,
                       samples + size_t(RowBelow(y, height)) * sampleStride, width,
                       BayerKindAtRowStart(phase, y), image + size_t(height - 1 - y) * imageStride);
    }
}
