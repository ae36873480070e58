// A raw still as the camera posts it: a 20-byte header (the height big-endian at offset 10,
// the width at 12, the Bayer phase at 17), then the samples, byte i of the block i x 13 + 5.
// Every other header byte is `filler`, so a read at a wrong offset shows. `length` sizes the
// block (0: the header and width x height samples exactly), so a still can disagree with its
// own header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline std::vector<std::uint8_t> RawStillBlock(int width, int height, int phase, size_t length = 0,
                                               std::uint8_t filler = 0xEE) {
    constexpr size_t kHeader = 20;
    std::vector<std::uint8_t> block(length ? length : kHeader + size_t(width) * size_t(height));
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = i < kHeader ? filler : std::uint8_t(i * 13 + 5);
    if (block.size() < kHeader)
        return block;
    block[10] = std::uint8_t(height >> 8);
    block[11] = std::uint8_t(height);
    block[12] = std::uint8_t(width >> 8);
    block[13] = std::uint8_t(width);
    block[17] = std::uint8_t(phase);
    return block;
}
