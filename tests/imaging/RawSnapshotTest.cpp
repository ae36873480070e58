#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/RawSnapshot.h"

namespace {

// A header with every uninterpreted byte set, so reading a wrong offset shows.
std::vector<BYTE> RawBlock(int width, int height, int phase, size_t transferLength) {
    std::vector<BYTE> block(transferLength, 0xEE);
    block[10] = BYTE(height >> 8), block[11] = BYTE(height);
    block[12] = BYTE(width >> 8), block[13] = BYTE(width);
    block[17] = BYTE(phase);
    return block;
}

TEST(RawSnapshotTest, ReadsTheBigEndianHeaderAndPointsAtTheSamples) {
    const auto block = RawBlock(0x0102, 0x0003, 2, 0x0102 * 3 + 20);
    RawSnapshotInfo info{};
    ASSERT_TRUE(ParseRawSnapshot(block.data(), int32_t(block.size()), info));
    EXPECT_EQ(info.width, 258);
    EXPECT_EQ(info.height, 3);
    EXPECT_EQ(info.phase, 2);
    EXPECT_EQ(info.samples, block.data() + 20);
}

TEST(RawSnapshotTest, AcceptsOnlyTheExactRoundedLength) {
    // A 4 x 4 still announced as 33..36 bytes arrives rounded to 36; 37 rounds to 40.
    const auto block = RawBlock(4, 4, 0, 40);
    RawSnapshotInfo info{};
    EXPECT_TRUE(ParseRawSnapshot(block.data(), 36, info));
    EXPECT_FALSE(ParseRawSnapshot(block.data(), 40, info));
    EXPECT_FALSE(ParseRawSnapshot(block.data(), 32, info));
    EXPECT_FALSE(ParseRawSnapshot(block.data(), -1, info));
}

TEST(RawSnapshotTest, RejectsUnusableHeadersAndLeavesTheInfoAlone) {
    const RawSnapshotInfo untouched{7, 7, 7, nullptr};
    struct Case {
        int width, height, phase;
    };
    for (const Case c :
         {Case{4, 4, 4}, Case{4, 4, 255}, Case{1, 9, 0}, Case{9, 1, 0}, Case{0, 0, 0}}) {
        const auto block = RawBlock(c.width, c.height, c.phase, size_t(c.width * c.height) + 20);
        RawSnapshotInfo info = untouched;
        EXPECT_FALSE(ParseRawSnapshot(block.data(), int32_t(block.size()), info))
            << c.width << " x " << c.height << " phase " << c.phase;
        EXPECT_EQ(info.width, 7);
        EXPECT_EQ(info.samples, nullptr);
    }
    // 65535 x 65535 samples cannot match any 32-bit length and must not overflow.
    const auto huge = RawBlock(0xFFFF, 0xFFFF, 0, 20);
    RawSnapshotInfo info = untouched;
    EXPECT_FALSE(ParseRawSnapshot(huge.data(), INT32_MAX, info));
    EXPECT_FALSE(ParseRawSnapshot(nullptr, 36, info));
}

TEST(RawSnapshotTest, ShortBlocksAreRejectedWithoutReadingPastThem) {
    // Each block is exactly as long as announced; the sanitizer build flags any read beyond.
    for (int32_t length = 0; length < 20; ++length) {
        std::unique_ptr<BYTE[]> block(new BYTE[size_t(length)]);
        std::memset(block.get(), 0, size_t(length));
        RawSnapshotInfo info{};
        EXPECT_FALSE(ParseRawSnapshot(block.get(), length, info)) << length;
    }
}

TEST(RawSnapshotTest, RawImageRowsAreRoundedUpToFourBytes) {
    EXPECT_EQ(RawImageBytes(640, 480), size_t(1920) * 480);
    EXPECT_EQ(RawImageBytes(5, 3), size_t(16) * 3);
    EXPECT_EQ(RawImageBytes(2, 2), size_t(8) * 2);
    EXPECT_EQ(RawImageBytes(3, 1), size_t(12));
    EXPECT_EQ(RawImageBytes(0, 4), size_t(0));
    EXPECT_EQ(RawImageBytes(4, -1), size_t(0));
    EXPECT_EQ(RawImageBytes(INT_MAX, INT_MAX), size_t(0));  // beyond any address space

    EXPECT_TRUE(ReserveRawImage(2592, 1944));
    EXPECT_FALSE(ReserveRawImage(INT_MAX, INT_MAX));
    EXPECT_FALSE(ReserveRawImage(0, 0));
}

}  // namespace
