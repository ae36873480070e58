// A still as the snapshot flow hands it over, with what the camera sent for it.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/com/Types.h"

class CStillKind;

// What the camera sent for a still, kept so it can be saved as it came (the JPEG stream, the
// raw Bayer samples), inside the block that holds it. Its kind says how it is written to a file.
struct CStillSource {
    const CStillKind* pKind = nullptr;  // null: nothing kept
    std::unique_ptr<BYTE[]> block;
    size_t offset = 0;  // where the stream or the samples start in the block
    size_t length = 0;  // the stream's own length, or width x height samples
    int phase = 0;      // raw samples: Bayer phase 0..3 (RGGB, GRBG, GBRG, BGGR)

    const BYTE* Data() const { return block ? block.get() + offset : nullptr; }
};

// Width x height pixels, 3 bytes each in the order blue, green, red, rows bottom-up without
// gaps; with it what the camera sent.
struct CStill {
    std::unique_ptr<BYTE[]> image;
    int width = 0;
    int height = 0;
    CStillSource source;
};
