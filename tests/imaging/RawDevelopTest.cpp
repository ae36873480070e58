// Raw development: the header parser, the known values of each step, and bit-exactness of the
// fast paths against the straightforward reading on random pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <numeric>
#include <vector>

#include "ReferenceDevelop.h"
#include "imaging/BayerDemosaic.h"
#include "imaging/ColorSpace.h"
#include "imaging/DevelopRows.h"
#include "imaging/RawDevelop.h"
#include "imaging/RawDevelopStream.h"
#include "imaging/RawSnapshot.h"
#include "imaging/Sharpen.h"
#include "imaging/ToneCurve.h"
#include "support/RawStillBlock.h"

namespace {

using Bytes = std::vector<BYTE>;

// Bytes from a fixed linear congruential sequence: the same picture on every run and machine,
// clustered in bands when asked so both sides of the sharpening threshold occur.
Bytes RandomBytes(size_t count, uint32_t seed, int width = 0) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes[i] = BYTE(seed >> 24);
        if (width && i % 3 != 0)
            bytes[i] = BYTE((i / size_t(width)) % 4 * 50 + bytes[i] / 32);
    }
    return bytes;
}

Bytes Uniform(int width, int height, std::array<BYTE, 3> bgr) {
    Bytes image(size_t(3) * width * height);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = bgr[i % 3];
    return image;
}

Bytes Sharpened(Bytes image, int width, int height) {
    SharpenImage(image.data(), width, height);
    return image;
}

TEST(RawDevelopTest, EveryPathMatchesTheReferenceForEveryPhaseSizeAndThreadCount) {
    // Odd and even sides, pictures without interior, and one large enough to split.
    const std::pair<int, int> sizes[] = {{2, 2}, {2, 9}, {9, 2},   {3, 3},   {4, 3},    {3, 4},
                                         {7, 5}, {8, 8}, {37, 12}, {20, 41}, {643, 482}};
    for (const auto& [width, height] : sizes) {
        const auto samples =
            RandomBytes(size_t(width) * height, uint32_t(width * 977 + height), width);
        for (int phase = 0; phase < 4; ++phase) {
            SCOPED_TRACE(testing::Message() << width << " x " << height << " phase " << phase);
            Bytes expected(size_t(3) * width * height), image(expected.size());
            reference::Develop(samples.data(), width, height, phase, expected.data());
            for (const BOOL wide : {FALSE, TRUE}) {
                if (!UseWideRowKernels(wide))
                    continue;
                SCOPED_TRACE(wide ? "wide kernels" : "baseline kernels");
                DemosaicBayer(samples.data(), width, height, phase, image.data());
                ApplyToneCurve(image.data(), width, height);
                EXPECT_EQ(Sharpened(image, width, height), expected) << "separate passes";
                for (int threads : {1, 2, 3, 7, 0}) {
                    std::fill(image.begin(), image.end(), 0x55);
                    EXPECT_TRUE(DevelopRawSnapshot({width, height, phase, samples.data()},
                                                   image.data(), threads));
                    EXPECT_EQ(image, expected) << threads << " threads";
                }
            }
            UseWideRowKernels(TRUE);
        }
    }
}

TEST(RawDevelopTest, DemosaicToneAndColourGiveTheirKnownValues) {
    // 2 x 2 phase 0 (R G / G B): four equal pixels, blue 40, green (20 + 30) / 2, red 10.
    const BYTE square[] = {10, 20, 30, 40};
    Bytes image(12);
    DemosaicBayer(square, 2, 2, 0, image.data());
    EXPECT_EQ(image, Uniform(2, 2, {40, 25, 10}));
    // Only sample row 0 is lit; stored bottom-up, it lands in the last image row.
    const BYTE lit[16] = {200, 200, 200, 200};
    image.assign(48, 0x55);
    DemosaicBayer(lit, 4, 4, 0, image.data());
    EXPECT_EQ(Bytes(image.begin(), image.begin() + 12), Bytes(12, 0));
    EXPECT_EQ(image[36 + 2], 200);

    for (const auto& [in, out] :
         {std::pair{0, 0}, {50, 96}, {77, 149}, {78, 149}, {128, 187}, {255, 255}})
        EXPECT_EQ(ToneTable[in], out) << in;
    // The sum guards against a mistyped value anywhere in the table.
    EXPECT_EQ(std::accumulate(ToneTable, ToneTable + 256, 0), 42776);

    // Double arithmetic in the written order, truncation, then clamping: on paper the luma of
    // (170, 4, 3) is 62 and the red of (46, 108, 128) is 3; in double they fall just short.
    using Convert = void (*)(int, int, int, int&, int&, int&);
    using Three = std::array<int, 3>;
    const std::tuple<Convert, Three, Three> colours[] = {
        {RgbToYCbCr, {0, 0, 0}, {16, 128, 128}},   {RgbToYCbCr, {255, 255, 255}, {235, 128, 128}},
        {RgbToYCbCr, {170, 4, 3}, {61, 200, 102}}, {RgbToYCbCr, {-500, 0, 0}, {0, 0, 202}},
        {YCbCrToRgb, {46, 108, 128}, {2, 51, 34}}, {YCbCrToRgb, {235, 128, 128}, {254, 254, 254}},
        {YCbCrToRgb, {0, 0, 0}, {0, 135, 0}}};
    for (const auto& [convert, in, out] : colours) {
        Three got{};
        convert(in[0], in[1], in[2], got[0], got[1], got[2]);
        EXPECT_EQ(got, out) << in[0] << " " << in[1] << " " << in[2];
    }
}

TEST(RawDevelopTest, SharpeningGivesItsKnownValuesAndRepeatsTheBorderRing) {
    const int width = 12, height = 4;  // both the eight-pixel groups and the single pixels
    // Greys lose a little; pure red saturates further and clamps back to itself.
    for (const auto& [in, out] : {std::pair<BYTE, BYTE>{128, 126}, {255, 254}, {0, 0}})
        EXPECT_EQ(Sharpened(Uniform(width, height, {in, in, in}), width, height),
                  Uniform(width, height, {out, out, out}));
    const Bytes red = Uniform(width, height, {0, 0, 255});
    EXPECT_EQ(Sharpened(red, width, height), red);
    // A step of 1 (8 after the filter) is kept; a step of 2 (16) takes the filtered luma.
    for (const auto& [centre, out] : {std::pair<BYTE, BYTE>{101, 100}, {102, 119}}) {
        Bytes image = Uniform(3, 3, {100, 100, 100});
        image[12] = image[13] = image[14] = centre;
        EXPECT_EQ(Sharpened(image, 3, 3), Uniform(3, 3, {out, out, out})) << int(centre);
    }

    const int w = 7, h = 6;
    const Bytes ring = Sharpened(RandomBytes(size_t(3) * w * h, 9), w, h);
    for (int i = 0; i < 3 * w * h; ++i) {
        const int row = i / 3 / w, col = i / 3 % w;
        const int inner = 3 * (std::clamp(row, 1, h - 2) * w + std::clamp(col, 1, w - 2)) + i % 3;
        EXPECT_EQ(ring[i], ring[inner]) << row << "," << col;
    }
}

// The block is filled piece by piece as a download fills it, each piece reported after it is
// written, and the development that ran alongside must give the reference's bytes.
TEST(RawDevelopTest, DevelopingWhileTheBlockArrivesGivesTheSameBytes) {
    for (const auto& [width, height, phase, piece] : {std::tuple{643, 482, 1, size_t{0x8000}},
                                                      {643, 482, 2, size_t{0x1000000}},
                                                      {300, 200, 3, size_t{7}},
                                                      {3, 3, 0, size_t{5}},
                                                      {7, 5, 1, size_t{0x8000}}}) {
        SCOPED_TRACE(testing::Message() << width << " x " << height << " in pieces of " << piece);
        const auto came = RawStillBlock(width, height, phase);
        const auto samples = RandomBytes(came.size() - 20, uint32_t(width + height), width);
        std::vector<BYTE> block(came.size(), 0);
        CRawDevelopStream stream;
        for (size_t written = 0; written < block.size();) {
            const size_t n = std::min(piece, block.size() - written);
            for (size_t i = written; i < written + n; ++i)
                block[i] = i < 20 ? came[i] : samples[i - 20];
            written += n;
            stream.Arrived(block.data(), int32_t(block.size()), written);
        }
        RawSnapshotInfo info{};
        ASSERT_TRUE(ParseRawSnapshot(block.data(), int32_t(block.size()), info));
        const std::unique_ptr<BYTE[]> image = stream.Finish(info);
        ASSERT_TRUE(image);
        Bytes expected(size_t(3) * width * height);
        reference::Develop(samples.data(), width, height, phase, expected.data());
        EXPECT_EQ(Bytes(image.get(), image.get() + expected.size()), expected);
        EXPECT_FALSE(stream.Finish(info)) << "the image is handed over once";
    }
}

// Whatever the stream cannot finish, it leaves to the caller's ordinary development, and once
// it is abandoned it reads nothing more of the block.
TEST(RawDevelopTest, AStreamThatCannotFinishHandsOverNothing) {
    const auto block = RawStillBlock(300, 200, 0);
    const auto length = int32_t(block.size());
    RawSnapshotInfo info{};
    ASSERT_TRUE(ParseRawSnapshot(block.data(), length, info));
    {
        CRawDevelopStream stream;  // told of nothing, or of less than the header
        stream.Arrived(block.data(), length, 19);
        EXPECT_FALSE(stream.Finish(info));
    }
    {
        CRawDevelopStream stream;  // the header disagrees with the length
        stream.Arrived(block.data(), length + 4, block.size());
        EXPECT_FALSE(stream.Finish(info));
    }
    {
        CRawDevelopStream stream;  // started on another still than the one to finish
        stream.Arrived(block.data(), length, block.size());
        RawSnapshotInfo other = info;
        other.phase = 1;
        EXPECT_FALSE(stream.Finish(other));
    }
    {
        CRawDevelopStream stream;  // no interior to develop ahead
        const auto thin = RawStillBlock(2, 9, 0);
        stream.Arrived(thin.data(), int32_t(thin.size()), thin.size());
        RawSnapshotInfo thinInfo{};
        ASSERT_TRUE(ParseRawSnapshot(thin.data(), int32_t(thin.size()), thinInfo));
        EXPECT_FALSE(stream.Finish(thinInfo));
    }
    // Abandoned half way with the worker busy: the block goes at once, and the sanitizer
    // builds see any later read of it.
    auto partial = std::make_unique<std::vector<BYTE>>(block);
    CRawDevelopStream stream;
    stream.Arrived(partial->data(), length, partial->size() / 2);
    stream.Abandon();
    partial.reset();
    EXPECT_FALSE(stream.Finish(info));
}

TEST(RawDevelopTest, TheParserTakesOnlyUsableHeadersAndTheExactRoundedLength) {
    const auto block = RawStillBlock(0x0102, 3, 2, 0x0102 * 3 + 20);
    RawSnapshotInfo info{};
    ASSERT_TRUE(ParseRawSnapshot(block.data(), int32_t(block.size()), info));
    EXPECT_EQ(std::tuple(info.width, info.height, info.phase, info.samples),
              std::tuple(258, 3, 2, block.data() + 20));
    // A 4 x 4 still announced as 33..36 bytes arrives rounded to 36.
    const auto four = RawStillBlock(4, 4, 0, 40);
    EXPECT_TRUE(ParseRawSnapshot(four.data(), 36, info));
    for (int32_t length : {40, 32, -1})
        EXPECT_FALSE(ParseRawSnapshot(four.data(), length, info)) << length;

    for (const auto& [width, height, phase] :
         {std::tuple{4, 4, 4}, {4, 4, 255}, {1, 9, 0}, {9, 1, 0}, {0, 0, 0}}) {
        const auto b = RawStillBlock(width, height, phase, size_t(width * height) + 20);
        info = {7, 7, 7, nullptr};
        EXPECT_FALSE(ParseRawSnapshot(b.data(), int32_t(b.size()), info))
            << width << " x " << height << " phase " << phase;
        EXPECT_EQ(std::tuple(info.width, info.samples), std::tuple(7, nullptr));
        // The development refuses the same and leaves the image alone.
        Bytes image(48, 0x55);
        EXPECT_FALSE(DevelopRawSnapshot({width, height, phase, b.data() + 20}, image.data()));
        EXPECT_EQ(image, Bytes(48, 0x55));
    }
    // 65535 x 65535 samples cannot match any 32-bit length and must not overflow.
    EXPECT_FALSE(ParseRawSnapshot(RawStillBlock(0xFFFF, 0xFFFF, 0, 20).data(), INT32_MAX, info));
    EXPECT_FALSE(ParseRawSnapshot(nullptr, 36, info));
    // Short blocks are exactly as long as announced; the sanitizer build flags any read beyond.
    for (int32_t length = 0; length < 20; ++length)
        EXPECT_FALSE(ParseRawSnapshot(std::make_unique<BYTE[]>(size_t(length)).get(), length, info))
            << length;

    EXPECT_EQ(RawImageBytes(5, 3), size_t(16) * 3);  // rows rounded up to four bytes
    EXPECT_EQ(RawImageBytes(4, -1), 0u);
    EXPECT_EQ(RawImageBytes(INT_MAX, INT_MAX), 0u);  // beyond any address space
    EXPECT_FALSE(ReserveRawImage(INT_MAX, INT_MAX));
}

}  // namespace
