#include "imaging/JpegSnapshot.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<BYTE>;
using PixelFn = std::function<void(int x, int y, BYTE* px)>;

Bytes EncodeJpeg(int width, int height, int components, J_COLOR_SPACE space, const PixelFn& pixel,
                 int quality = 95) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    jpeg_mem_dest(&cinfo, &out, &out_size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    Bytes row(static_cast<size_t>(width * components));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixel(x, y, &row[static_cast<size_t>(x * components)]);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes stream(out, out + out_size);
    std::free(out);
    return stream;
}

Bytes EncodeRgb(int width, int height, const PixelFn& pixel) {
    return EncodeJpeg(width, height, 3, JCS_RGB, pixel);
}

// What the library itself makes of the stream, top-down RGB, straight from memory.
Bytes DecodeFromMemory(const Bytes& stream) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, stream.data(), static_cast<unsigned long>(stream.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * 3;
    Bytes rgb(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {&rgb[stride * cinfo.output_scanline]};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rgb;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void Gradient(int x, int y, BYTE* px) {
    px[0] = static_cast<BYTE>(x * 7);
    px[1] = static_cast<BYTE>(y * 5);
    px[2] = static_cast<BYTE>((x + y) * 3);
}

// The decoder's file name is fixed, so every test runs in a directory of its own.
class JpegSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldDir = fs::current_path();
        std::string pattern = (fs::temp_directory_path() / "nitidor-jpeg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        fs::current_path(m_dir);
    }
    void TearDown() override {
        fs::current_path(m_oldDir);
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    static bool TempExists() { return fs::exists(fs::symlink_status(kJpegTempFileName)); }

    fs::path m_oldDir;
    fs::path m_dir;
};

TEST_F(JpegSnapshotTest, DecodesBottomUpBgrMatchingTheLibraryAndRemovesTempFile) {
    for (const auto& [width, height] : {std::pair{64, 48}, std::pair{37, 23}, std::pair{1, 1}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const Bytes stream = EncodeRgb(width, height, Gradient);
        const Bytes rgb = DecodeFromMemory(stream);
        Bytes image(rgb.size(), 0xAB);
        ASSERT_NE(DecodeJpegSnapshot(stream.data(), static_cast<DWORD>(stream.size()), image.data(),
                                     width, height),
                  0);
        EXPECT_FALSE(TempExists());
        const size_t stride = static_cast<size_t>(width) * 3;
        for (int y = 0; y < height; ++y) {
            const BYTE* top_down = &rgb[stride * static_cast<size_t>(y)];
            const BYTE* stored = &image[stride * static_cast<size_t>(height - 1 - y)];
            for (size_t i = 0; i < stride; i += 3) {
                ASSERT_EQ(stored[i], top_down[i + 2]) << "row " << y << " byte " << i;
                ASSERT_EQ(stored[i + 1], top_down[i + 1]);
                ASSERT_EQ(stored[i + 2], top_down[i]);
            }
        }
    }
}

TEST_F(JpegSnapshotTest, TopOfThePictureIsTheLastStoredRow) {
    // Red above, blue below: flat colours survive compression closely.
    const Bytes stream = EncodeRgb(16, 16, [](int, int y, BYTE* px) {
        px[0] = y < 8 ? 255 : 0;
        px[1] = 0;
        px[2] = y < 8 ? 0 : 255;
    });
    Bytes image(16 * 16 * 3);
    ASSERT_NE(
        DecodeJpegSnapshot(stream.data(), static_cast<DWORD>(stream.size()), image.data(), 16, 16),
        0);
    const BYTE* bottom = &image[0];
    const BYTE* top = &image[15 * 16 * 3];
    EXPECT_GT(bottom[0], 240);  // blue first in the byte order
    EXPECT_LT(bottom[2], 15);
    EXPECT_LT(top[0], 15);
    EXPECT_GT(top[2], 240);  // red last
}

TEST_F(JpegSnapshotTest, OtherFrameSizeIsRefusedWithoutTouchingTheImage) {
    const Bytes stream = EncodeRgb(32, 24, Gradient);
    for (const auto& [width, height] : {std::pair{32, 23}, std::pair{31, 24}, std::pair{24, 32}}) {
        Bytes image(static_cast<size_t>(width * height * 3), 0xAB);
        EXPECT_EQ(DecodeJpegSnapshot(stream.data(), static_cast<DWORD>(stream.size()), image.data(),
                                     width, height),
                  0);
        EXPECT_EQ(image, Bytes(image.size(), 0xAB));
        EXPECT_EQ(ReadFile(kJpegTempFileName), stream);  // left for a look
    }
}

TEST_F(JpegSnapshotTest, GreyAndFourComponentStreamsAreRefusedBeforeAnyRowIsCopied) {
    const Bytes grey = EncodeJpeg(16, 8, 1, JCS_GRAYSCALE,
                                  [](int x, int, BYTE* px) { px[0] = static_cast<BYTE>(x * 16); });
    const Bytes cmyk = EncodeJpeg(16, 8, 4, JCS_CMYK, [](int x, int y, BYTE* px) {
        px[0] = static_cast<BYTE>(x * 16);
        px[1] = static_cast<BYTE>(y * 32);
        px[2] = 40;
        px[3] = 200;
    });
    for (const Bytes* stream : {&grey, &cmyk}) {
        // Room for a four-component picture, so an overrun would show as changed bytes.
        Bytes image(16 * 8 * 4, 0xAB);
        EXPECT_EQ(DecodeJpegSnapshot(stream->data(), static_cast<DWORD>(stream->size()),
                                     image.data(), 16, 8),
                  0);
        EXPECT_EQ(image, Bytes(image.size(), 0xAB));
    }
}

TEST_F(JpegSnapshotTest, LibraryErrorLeavesTempFileHoldingTheStreamAndNextDecodeWorks) {
    WriteFile(kJpegTempFileName, std::string(5000, 'x'));  // a longer leftover is truncated
    const std::string junk = "this is no JPEG stream";
    const Bytes corrupt(junk.begin(), junk.end());
    Bytes header_only = EncodeRgb(8, 8, Gradient);
    header_only.resize(2);  // SOI alone: the library runs out of data in the header
    Bytes image(8 * 8 * 3, 0xAB);
    for (const Bytes* stream : {&corrupt, static_cast<const Bytes*>(&header_only)}) {
        EXPECT_EQ(DecodeJpegSnapshot(stream->data(), static_cast<DWORD>(stream->size()),
                                     image.data(), 8, 8),
                  0);
        EXPECT_EQ(ReadFile(kJpegTempFileName), *stream);
    }
    EXPECT_EQ(DecodeJpegSnapshot(corrupt.data(), 0, image.data(), 8, 8), 0);
    EXPECT_TRUE(TempExists());

    const Bytes good = EncodeRgb(8, 8, Gradient);
    EXPECT_NE(DecodeJpegSnapshot(good.data(), static_cast<DWORD>(good.size()), image.data(), 8, 8),
              0);
    EXPECT_FALSE(TempExists());
}

TEST_F(JpegSnapshotTest, UncreatableTempFileFails) {
    const Bytes stream = EncodeRgb(8, 8, Gradient);
    Bytes image(8 * 8 * 3, 0xAB);
    // Root writes through permission bits, so take the directory away from under the process.
    const fs::path gone = m_dir / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);
    EXPECT_EQ(
        DecodeJpegSnapshot(stream.data(), static_cast<DWORD>(stream.size()), image.data(), 8, 8),
        0);
    EXPECT_EQ(image, Bytes(image.size(), 0xAB));
    fs::current_path(m_dir);
    EXPECT_FALSE(fs::exists(gone));
}

TEST_F(JpegSnapshotTest, SymbolicLinkAtTheNameIsNotFollowed) {
    const Bytes stream = EncodeRgb(8, 8, Gradient);
    Bytes image(8 * 8 * 3);
    const fs::path victim = m_dir / "victim.txt";
    WriteFile(victim, "precious");
    fs::create_symlink(victim, kJpegTempFileName);
    EXPECT_EQ(
        DecodeJpegSnapshot(stream.data(), static_cast<DWORD>(stream.size()), image.data(), 8, 8),
        0);
    EXPECT_EQ(ReadFile(victim), Bytes({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    EXPECT_TRUE(fs::is_symlink(kJpegTempFileName));

    // A dangling link must not bring its target into being either.
    fs::remove(kJpegTempFileName);
    const fs::path planted = m_dir / "planted.jpg";
    fs::create_symlink(planted, kJpegTempFileName);
    EXPECT_EQ(
        DecodeJpegSnapshot(stream.data(), static_cast<DWORD>(stream.size()), image.data(), 8, 8),
        0);
    EXPECT_FALSE(fs::exists(planted));
}

TEST_F(JpegSnapshotTest, ShortWriteDeletesTempFile) {
    const Bytes stream = EncodeRgb(64, 64, Gradient);
    ASSERT_GT(stream.size(), 1000u);
    Bytes image(64 * 64 * 3);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* saved_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;  // writes past this many bytes fail with EFBIG
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const BOOL result =
        DecodeJpegSnapshot(stream.data(), static_cast<DWORD>(stream.size()), image.data(), 64, 64);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, saved_handler);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(TempExists());
}

TEST_F(JpegSnapshotTest, NoBufferOrSizeFailsWithoutCreatingTheFile) {
    const Bytes stream = EncodeRgb(8, 8, Gradient);
    Bytes image(8 * 8 * 3);
    const auto size = static_cast<DWORD>(stream.size());
    EXPECT_EQ(DecodeJpegSnapshot(stream.data(), size, nullptr, 8, 8), 0);
    EXPECT_EQ(DecodeJpegSnapshot(nullptr, size, image.data(), 8, 8), 0);
    EXPECT_EQ(DecodeJpegSnapshot(stream.data(), size, image.data(), 0, 8), 0);
    EXPECT_EQ(DecodeJpegSnapshot(stream.data(), size, image.data(), 8, -1), 0);
    EXPECT_FALSE(TempExists());
}

TEST(SwapRedBlueTest, ExchangesTheOuterBytesOfEachTriple) {
    BYTE row[] = {1, 2, 3, 4, 5, 6};
    SwapRedBlue(row, 6);
    EXPECT_EQ(Bytes(std::begin(row), std::end(row)), Bytes({3, 2, 1, 6, 5, 4}));
}

TEST(SwapRedBlueTest, NeverTouchesBytesAtOrPastTheCount) {
    BYTE row[] = {1, 2, 3, 4, 5, 6, 7};
    SwapRedBlue(row, 5);  // the second triple is incomplete
    EXPECT_EQ(Bytes(std::begin(row), std::end(row)), Bytes({3, 2, 1, 4, 5, 6, 7}));
    SwapRedBlue(row, 0);
    SwapRedBlue(row, -3);
    EXPECT_EQ(Bytes(std::begin(row), std::end(row)), Bytes({3, 2, 1, 4, 5, 6, 7}));
}

TEST(SwapRedBlueTest, LongRowsOfEveryLengthMatchTheBytewiseExchange) {
    // Long rows take the vector path; every length checks its tail and its last byte.
    Bytes source(7800 + 16);
    for (size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<BYTE>(i * 131 + i / 7);
    }
    std::vector<int> counts;
    for (int count = 0; count <= 200; ++count) {
        counts.push_back(count);
    }
    counts.insert(counts.end(), {7776, 7777, 7778, 7800});
    for (const int count : counts) {
        Bytes expected = source;
        for (int k = 0; k + 2 < count; k += 3) {
            std::swap(expected[static_cast<size_t>(k)], expected[static_cast<size_t>(k + 2)]);
        }
        Bytes row = source;
        SwapRedBlue(row.data(), count);
        ASSERT_EQ(row, expected) << "count " << count;
    }
}

}  // namespace
