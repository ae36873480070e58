#include "imaging/JpegSnapshot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "imaging/TestJpegEncoder.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<BYTE>;

// A width x height picture encoded by the library, optionally with a 64 KB APP1 block in front
// that the decoder skips across its read blocks.
Bytes Encode(int width, int height, int components = 3, J_COLOR_SPACE space = JCS_RGB,
             bool bigMarker = false) {
    const Bytes marker(65533, 0x5A);
    const TestJpegOptions options{components, space, 75, bigMarker ? &marker : nullptr};
    return EncodeTestJpeg(width, height, options, [&](int y, BYTE* row) {
        for (size_t i = 0; i < size_t(width) * components; ++i)
            row[i] = BYTE(i * 7 + size_t(y) * 5 + (i % 3) * 60);
    });
}

// The library's own reading of the stream from memory, stored as the snapshot should be:
// bottom-up rows of blue, green, red.
Bytes DecodeFromMemory(const Bytes& stream) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, stream.data(), stream.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t{cinfo.output_width} * 3;
    Bytes bgr(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {&bgr[stride * (cinfo.output_height - 1 - cinfo.output_scanline)]};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return bgr;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file name is fixed, so each test runs in a directory of its own.
class JpegSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string dir = (fs::temp_directory_path() / "nitidor-jpeg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
        fs::current_path(m_dir = dir);
    }
    void TearDown() override {
        fs::current_path(m_oldDir);
        fs::remove_all(m_dir);
    }
    BOOL Decode(const Bytes& stream, int width = 8, int height = 8) {
        return DecodeJpegSnapshot(stream.data(), DWORD(stream.size()), m_image.data(), width,
                                  height);
    }

    const fs::path m_oldDir = fs::current_path();
    fs::path m_dir;
    const Bytes m_stream = Encode(8, 8);
    Bytes m_image = Bytes(8 * 8 * 4, 0xAB);  // room for four components, so overruns show
};

TEST_F(JpegSnapshotTest, DecodesBottomUpBgrAsTheLibraryReadsItAndRemovesTheFile) {
    for (const auto& [width, height, bigMarker] :
         {std::tuple{64, 48, false}, {37, 23, false}, {1, 1, false}, {640, 480, true}}) {
        const Bytes stream = Encode(width, height, 3, JCS_RGB, bigMarker);
        m_image.assign(size_t(width) * height * 3, 0);
        ASSERT_NE(Decode(stream, width, height), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(kJpegTempFileName)));
        EXPECT_EQ(m_image, DecodeFromMemory(stream)) << width << "x" << height;
    }
}

TEST_F(JpegSnapshotTest, EachRefusalLeavesTheImageAloneAndNoFileIsWrittenUnsafely) {
    // Another size, grey, four components, or a library error (even over a longer leftover):
    // the image untouched and the file holding exactly the stream.
    std::ofstream(kJpegTempFileName) << std::string(5000, 'x');
    for (const auto& [stream, width, height] :
         {std::tuple{m_stream, 8, 7},
          {m_stream, 7, 8},
          {m_stream, 4, 16},
          {Encode(8, 8, 1, JCS_GRAYSCALE), 8, 8},
          {Encode(8, 8, 4, JCS_CMYK), 8, 8},
          {Bytes{'n', 'o', ' ', 'J', 'P', 'E', 'G'}, 8, 8},
          {Bytes(m_stream.begin(), m_stream.begin() + 2), 8, 8}}) {
        EXPECT_EQ(Decode(stream, width, height), 0);
        EXPECT_EQ(m_image, Bytes(m_image.size(), 0xAB));
        EXPECT_EQ(ReadFile(kJpegTempFileName), stream) << stream.size() << " " << width;
    }
    // A symbolic link at the name, whether to a file or dangling, is not followed.
    std::ofstream(m_dir / "victim") << "precious";
    for (const char* target : {"victim", "planted"}) {
        fs::remove(kJpegTempFileName);
        fs::create_symlink(m_dir / target, kJpegTempFileName);
        EXPECT_EQ(Decode(m_stream), 0);
        EXPECT_EQ(ReadFile(m_dir / "victim"), Bytes({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
        EXPECT_FALSE(fs::exists(m_dir / "planted"));
    }
    // Root writes through permission bits: take the directory away from under the process.
    fs::create_directory(m_dir / "gone");
    fs::current_path(m_dir / "gone");
    fs::remove(m_dir / "gone");
    EXPECT_EQ(Decode(m_stream), 0);
    EXPECT_EQ(m_image, Bytes(m_image.size(), 0xAB));
    fs::current_path(m_dir);
}

TEST_F(JpegSnapshotTest, AHardLinkedFileIsRefusedAndItsOtherNameKept) {
    std::ofstream(m_dir / "victim") << "precious";
    fs::create_hard_link(m_dir / "victim", kJpegTempFileName);
    EXPECT_EQ(Decode(m_stream), 0);
    EXPECT_EQ(ReadFile(m_dir / "victim"), Bytes({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    EXPECT_EQ(m_image, Bytes(m_image.size(), 0xAB));
}

TEST(SwapRedBlueTest, ExchangesTheOuterBytesOfWholeTriplesOnly) {
    BYTE row[] = {1, 2, 3, 4, 5, 6, 7};
    SwapRedBlue(row, 6);
    EXPECT_EQ(Bytes(std::begin(row), std::end(row)), Bytes({3, 2, 1, 6, 5, 4, 7}));
    SwapRedBlue(row, 5);  // the second triple is cut short: left alone
    SwapRedBlue(row, -3);
    EXPECT_EQ(Bytes(std::begin(row), std::end(row)), Bytes({1, 2, 3, 6, 5, 4, 7}));
}

}  // namespace
