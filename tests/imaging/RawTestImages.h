// Reproducible pictures for the raw development tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/DevelopRows.h"
#include "platform/com/Types.h"

// Bytes from a fixed linear congruential sequence: the same picture on every run and machine.
inline std::vector<BYTE> RandomBytes(size_t count, uint32_t seed) {
    std::vector<BYTE> bytes(count);
    for (BYTE& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = BYTE(seed >> 24);
    }
    return bytes;
}

// A BGR picture filled with one colour.
inline std::vector<BYTE> UniformImage(int width, int height, BYTE blue, BYTE green, BYTE red) {
    std::vector<BYTE> image(size_t(3) * width * height);
    for (size_t i = 0; i < image.size(); i += 3) {
        image[i] = blue, image[i + 1] = green, image[i + 2] = red;
    }
    return image;
}

// Runs body(wide) with each build of the row kernels this processor offers, then goes back
// to the default choice.
template <typename Body>
void ForEachKernelBuild(Body body) {
    for (const BOOL wide : {FALSE, TRUE}) {
        if (UseWideRowKernels(wide)) {
            body(wide);
        }
    }
    UseWideRowKernels(TRUE);
}
