#include "imaging/JpegSnapshot.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<BYTE>;

// A width x height picture of the given colour space, encoded by the library; optionally with
// a 64 KB APP1 block in front, which the decoder skips across its read blocks.
Bytes Encode(int width, int height, int components = 3, J_COLOR_SPACE space = JCS_RGB,
             bool big_marker = false) {
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
    jpeg_start_compress(&cinfo, TRUE);
    if (big_marker) {
        const Bytes payload(65533, 0x5A);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, payload.data(), 65533);
    }
    Bytes row(static_cast<size_t>(width * components));
    for (int y = 0; y < height; ++y) {
        for (size_t i = 0; i < row.size(); ++i) {
            row[i] = static_cast<BYTE>(i * 7 + static_cast<size_t>(y) * 5 + (i % 3) * 60);
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

// The library's own reading of the stream from memory: top-down RGB.
Bytes DecodeFromMemory(const Bytes& stream) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, stream.data(), static_cast<unsigned long>(stream.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t{cinfo.output_width} * 3;
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

BOOL Decode(const Bytes& stream, Bytes& image, int width, int height) {
    return DecodeJpegSnapshot(stream.data(), static_cast<DWORD>(stream.size()), image.data(), width,
                              height);
}

// The file name is fixed, so each test runs in a directory of its own.
class JpegSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_oldDir = fs::current_path();
        std::string dir = (fs::temp_directory_path() / "nitidor-jpeg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
        m_dir = dir;
        fs::current_path(m_dir);
    }
    void TearDown() override {
        fs::current_path(m_oldDir);
        fs::remove_all(m_dir);
    }
    static bool TempExists() { return fs::exists(fs::symlink_status(kJpegTempFileName)); }

    fs::path m_oldDir;
    fs::path m_dir;
    const Bytes m_stream = Encode(8, 8);
    Bytes m_image = Bytes(8 * 8 * 3, 0xAB);
};

TEST_F(JpegSnapshotTest, DecodesBottomUpBgrAsTheLibraryReadsItAndRemovesTheFile) {
    struct Case {
        int width, height;
        bool big_marker;
    };
    for (const auto& [width, height, big_marker] :
         {Case{64, 48, false}, Case{37, 23, false}, Case{1, 1, false}, Case{640, 480, true}}) {
        const Bytes stream = Encode(width, height, 3, JCS_RGB, big_marker);
        const Bytes rgb = DecodeFromMemory(stream);
        Bytes image(rgb.size());
        ASSERT_NE(Decode(stream, image, width, height), 0);
        EXPECT_FALSE(TempExists());
        const size_t stride = static_cast<size_t>(width) * 3;
        for (size_t i = 0; i < image.size(); i += 3) {
            // Stored row r is picture row height - 1 - r; bytes blue, green, red.
            const size_t row = i / stride;
            const size_t from = (static_cast<size_t>(height) - 1 - row) * stride + i % stride;
            ASSERT_EQ(Bytes(&image[i], &image[i] + 3),
                      Bytes({rgb[from + 2], rgb[from + 1], rgb[from]}))
                << width << "x" << height << " byte " << i;
        }
    }
}

TEST_F(JpegSnapshotTest, OtherFrameSizeIsRefusedWithTheImageUntouchedAndTheFileLeft) {
    for (const auto& [width, height] : {std::pair{8, 7}, std::pair{7, 8}, std::pair{4, 16}}) {
        EXPECT_EQ(Decode(m_stream, m_image, width, height), 0);
        EXPECT_EQ(m_image, Bytes(m_image.size(), 0xAB));
        EXPECT_EQ(ReadFile(kJpegTempFileName), m_stream);
    }
}

TEST_F(JpegSnapshotTest, GreyAndFourComponentStreamsAreRefusedBeforeAnyRowIsCopied) {
    Bytes image(8 * 8 * 4, 0xAB);  // room for four components, so an overrun would show
    EXPECT_EQ(Decode(Encode(8, 8, 1, JCS_GRAYSCALE), image, 8, 8), 0);
    EXPECT_EQ(Decode(Encode(8, 8, 4, JCS_CMYK), image, 8, 8), 0);
    EXPECT_EQ(image, Bytes(image.size(), 0xAB));
}

TEST_F(JpegSnapshotTest, LibraryErrorLeavesTheFileHoldingTheStreamAndTheNextDecodeWorks) {
    std::ofstream(kJpegTempFileName) << std::string(5000, 'x');  // a longer leftover
    const std::string junk = "no JPEG stream";
    const Bytes corrupt(junk.begin(), junk.end());
    const Bytes soi_only(m_stream.begin(), m_stream.begin() + 2);  // runs out in the header
    for (const Bytes& stream : {corrupt, soi_only, Bytes{}}) {
        EXPECT_EQ(Decode(stream, m_image, 8, 8), 0);
        EXPECT_EQ(ReadFile(kJpegTempFileName), stream);
    }
    EXPECT_NE(Decode(m_stream, m_image, 8, 8), 0);
    EXPECT_FALSE(TempExists());
}

TEST_F(JpegSnapshotTest, FileThatCannotBeCreatedFails) {
    // Root writes through permission bits: take the directory away from under the process.
    const fs::path gone = m_dir / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);
    EXPECT_EQ(Decode(m_stream, m_image, 8, 8), 0);
    EXPECT_EQ(m_image, Bytes(m_image.size(), 0xAB));
    fs::current_path(m_dir);
}

TEST_F(JpegSnapshotTest, SymbolicLinkAtTheNameIsNotFollowed) {
    std::ofstream(m_dir / "victim") << "precious";
    fs::create_symlink(m_dir / "victim", kJpegTempFileName);
    EXPECT_EQ(Decode(m_stream, m_image, 8, 8), 0);
    EXPECT_EQ(ReadFile(m_dir / "victim"), Bytes({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    EXPECT_TRUE(fs::is_symlink(kJpegTempFileName));

    // Nor is a dangling one, which would bring its target into being.
    fs::remove(kJpegTempFileName);
    fs::create_symlink(m_dir / "planted", kJpegTempFileName);
    EXPECT_EQ(Decode(m_stream, m_image, 8, 8), 0);
    EXPECT_FALSE(fs::exists(m_dir / "planted"));
}

TEST_F(JpegSnapshotTest, ShortWriteDeletesTheFile) {
    const Bytes stream = Encode(64, 64);
    Bytes image(64 * 64 * 3);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1000;  // writes past this fail with EFBIG instead of a signal
    ASSERT_GT(stream.size(), small.rlim_cur);
    auto* saved_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const BOOL result = Decode(stream, image, 64, 64);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, saved_handler);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(TempExists());
}

TEST(SwapRedBlueTest, ExchangesTheOuterBytesOfWholeTriplesOnly) {
    BYTE row[] = {1, 2, 3, 4, 5, 6, 7};
    SwapRedBlue(row, 6);
    EXPECT_EQ(Bytes(std::begin(row), std::end(row)), Bytes({3, 2, 1, 6, 5, 4, 7}));
    SwapRedBlue(row, 5);  // the second triple is cut short: left alone
    SwapRedBlue(row, 0);
    SwapRedBlue(row, -3);
    EXPECT_EQ(Bytes(std::begin(row), std::end(row)), Bytes({1, 2, 3, 6, 5, 4, 7}));
}

}  // namespace
