#include "imaging/JpegSnapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "TestJpegEncoder.h"
#include "support/TempDir.h"
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<BYTE>;

// A 64 KB APP1 block that the decoder skips across its read blocks.
const Bytes kBigApp1(65533, 0x5A);

// A width x height picture encoded by the library.
Bytes Encode(int width, int height, const TestJpegOptions& options = {}) {
    return EncodeTestJpeg(width, height, options, [&](int y, BYTE* row) {
        for (size_t i = 0; i < size_t(width) * options.components; ++i)
            row[i] = BYTE(i * 7 + size_t(y) * 5 + (i % 3) * 60);
    });
}

// The library's own reading of a stream, through a file stream as the decoder reads it (the
// warnings for damaged data depend on how much the source has buffered), stored as the
// snapshot should be: bottom-up rows of blue, green, red.
struct LibraryDecode {
    Bytes bgr;  // empty when the library stopped with an error
    std::vector<int> warnings;
};

struct RecordingErrorManager {
    jpeg_error_mgr mgr;  // first, so the library's err pointer leads back here
    std::jmp_buf recovery;
    std::vector<int>* warnings;
};

void DecodeRowsWithLibrary(jpeg_decompress_struct& cinfo, FILE* stream, Bytes& bgr) {
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, stream);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t{cinfo.output_width} * 3;
    bgr.resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {&bgr[stride * (cinfo.output_height - 1 - cinfo.output_scanline)]};
        jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
}

// Everything the jump back touches lives in the caller's frame.
void DecodeWithLibraryInto(const Bytes& stream, jpeg_decompress_struct& cinfo,
                           RecordingErrorManager& error, LibraryDecode& result) {
    cinfo.err = jpeg_std_error(&error.mgr);
    error.warnings = &result.warnings;
    error.mgr.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<RecordingErrorManager*>(c->err)->recovery, 1);
    };
    error.mgr.emit_message = [](j_common_ptr c, int level) {
        if (level < 0)
            reinterpret_cast<RecordingErrorManager*>(c->err)->warnings->push_back(c->err->msg_code);
    };
    Bytes copy = stream;  // fmemopen wants a writable buffer
    FILE* file = ::fmemopen(copy.data(), copy.size(), "rb");
    ASSERT_NE(file, nullptr);
    if (setjmp(error.recovery) == 0)
        DecodeRowsWithLibrary(cinfo, file, result.bgr);
    else
        result.bgr.clear();
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
}

LibraryDecode DecodeWithLibrary(const Bytes& stream) {
    LibraryDecode result;
    jpeg_decompress_struct cinfo{};
    RecordingErrorManager error{};
    DecodeWithLibraryInto(stream, cinfo, error, result);
    return result;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The file name is fixed, so each test runs in a directory of its own.
class JpegSnapshotTest : public ::testing::Test {
protected:
    BOOL Decode(const Bytes& stream, int width = 8, int height = 8) {
        return DecodeJpegSnapshot(stream.data(), DWORD(stream.size()), m_image.data(), width,
                                  height);
    }

    const CTempDir m_work{CTempDir::kEnter};
    const fs::path& m_dir = m_work.m_path;
    const Bytes m_stream = Encode(8, 8);
    Bytes m_image = Bytes(8 * 8 * 4, 0xAB);  // room for four components, so overruns show
};

TEST_F(JpegSnapshotTest, DecodesBottomUpBgrAsTheLibraryReadsItAndRemovesTheFile) {
    for (const auto& [width, height, options] : {std::tuple{64, 48, TestJpegOptions{}},
                                                 {37, 23, {}},
                                                 {1, 1, {}},
                                                 {640, 480, {.app1 = &kBigApp1}},
                                                 {96, 64, {.restartRows = 1}},
                                                 {96, 64, {.progressive = true}}}) {
        const Bytes stream = Encode(width, height, options);
        m_image.assign(size_t(width) * height * 3, 0);
        ASSERT_NE(Decode(stream, width, height), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(kJpegTempFileName)));
        const LibraryDecode expected = DecodeWithLibrary(stream);
        EXPECT_EQ(expected.warnings, std::vector<int>{});
        EXPECT_EQ(m_image, expected.bgr) << width << "x" << height;
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
          {Encode(8, 8, {.components = 1, .space = JCS_GRAYSCALE}), 8, 8},
          {Encode(8, 8, {.components = 4, .space = JCS_CMYK}), 8, 8},
          {Bytes{'n', 'o', ' ', 'J', 'P', 'E', 'G'}, 8, 8},
          {Bytes(m_stream.begin(), m_stream.begin() + 2), 8, 8}}) {
        EXPECT_EQ(Decode(stream, width, height), 0);
        EXPECT_EQ(m_image, Bytes(m_image.size(), 0xAB));
        EXPECT_EQ(ReadFile(kJpegTempFileName), stream) << stream.size() << " " << width;
    }
    // A symbolic link at the name, to a file or dangling, is not followed; a file hard-linked
    // there is refused, and its other name kept.
    std::ofstream(m_dir / "victim") << "precious";
    for (const char* target : {"victim", "planted", "hard"}) {
        fs::remove(kJpegTempFileName);
        if (target == std::string("hard"))
            fs::create_hard_link(m_dir / "victim", kJpegTempFileName);
        else
            fs::create_symlink(m_dir / target, kJpegTempFileName);
        EXPECT_EQ(Decode(m_stream), 0) << target;
        EXPECT_EQ(m_image, Bytes(m_image.size(), 0xAB));
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

// A damaged stream, the warning the library raises for it, and whether the picture survives.
struct StreamDamage {
    const char* name;
    bool restarts = false;  // damage a stream with a restart marker after every MCU row
    void (*damage)(Bytes& stream);
    int warning;            // the library's first warning
    bool accepted = false;  // the snapshot still decodes
};

Bytes::iterator FirstRestartMarker(Bytes& stream) {
    const BYTE rst0[] = {0xFF, 0xD0};
    return std::search(stream.begin(), stream.end(), std::begin(rst0), std::end(rst0));
}

const StreamDamage kDamages[] = {
    {.name = "FirstTenthOnly",
     .damage = [](Bytes& s) { s.resize(s.size() / 10); },
     .warning = JWRN_JPEG_EOF},
    {.name = "EndMarkerMissing",
     .damage = [](Bytes& s) { s.resize(s.size() - 2); },
     .warning = JWRN_JPEG_EOF},
    {.name = "CutMidScanBeforeTheEndMarker",
     .damage = [](Bytes& s) { s.erase(s.begin() + ptrdiff_t(s.size() / 2), s.end() - 2); },
     .warning = JWRN_HIT_MARKER},
    // Decoded out of step, the rest of the scan happens to parse but leaves bytes over. The
    // library says no more than it says of a webcam's padding, so this one passes too.
    {.name = "SixtyFourBytesFlippedMidScan",
     .damage =
         [](Bytes& s) {
             for (size_t i = s.size() / 2; i < s.size() / 2 + 64; ++i)
                 s[i] ^= 0xFF;
         },
     .warning = JWRN_EXTRANEOUS_DATA,
     .accepted = true},
    {.name = "SixteenOnesInARowMidScan",
     .damage =
         [](Bytes& s) {
             for (size_t i = s.size() / 2; i < s.size() / 2 + 64; i += 2)
                 s[i] = 0xFF, s[i + 1] = 0x00;  // a stuffed 0xFF: eight ones of data
         },
     .warning = JWRN_HUFF_BAD_CODE},
    {.name = "RestartSegmentSkipped",
     .restarts = true,
     .damage = [](Bytes& s) { FirstRestartMarker(s)[1] = 0xD1; },
     .warning = JWRN_MUST_RESYNC},
    {.name = "JunkInsideARestartSegment",
     .restarts = true,
     .damage = [](Bytes& s) { s.insert(FirstRestartMarker(s), 16, 0x00); },
     .warning = JWRN_EXTRANEOUS_DATA,
     .accepted = true},
    // Webcams' frames are padded so ("N extraneous bytes before marker 0xd9"); the picture is
    // whole.
    {.name = "JunkBeforeTheEndMarker",
     .damage =
         [](Bytes& s) {
             s.insert(s.end() - 2, {0x00, 0x5A, 0xFF, 0x00, 0x00, 0x17});
         },
     .warning = JWRN_EXTRANEOUS_DATA,
     .accepted = true},
    // After the JFIF block, before the tables.
    {.name = "JunkBetweenHeaderSegments",
     .damage = [](Bytes& s) { s.insert(s.begin() + 20, 16, 0x00); },
     .warning = JWRN_EXTRANEOUS_DATA,
     .accepted = true},
    // The major version byte of the JFIF block that follows the start marker.
    {.name = "UnknownJfifRevision",
     .damage = [](Bytes& s) { s[11] = 2; },
     .warning = JWRN_JFIF_MAJOR,
     .accepted = true},
};

// Damage that loses or garbles picture data fails like a stream the library rejects, keeping
// "Temp.jpg" for a look; stray bytes and other oddities around the picture still decode.
TEST_F(JpegSnapshotTest, ADamagedStreamIsRefusedExactlyWhenThePictureIsDamaged) {
    const Bytes plain = Encode(640, 480);
    const Bytes restarts = Encode(640, 480, {.restartRows = 1});
    for (const StreamDamage& damage : kDamages) {
        SCOPED_TRACE(damage.name);
        Bytes stream = damage.restarts ? restarts : plain;
        damage.damage(stream);
        const LibraryDecode library = DecodeWithLibrary(stream);
        ASSERT_FALSE(library.warnings.empty());
        EXPECT_EQ(library.warnings[0], damage.warning);

        m_image.assign(size_t(640) * 480 * 3, 0);
        EXPECT_EQ(Decode(stream, 640, 480) != 0, damage.accepted);
        if (damage.accepted) {
            EXPECT_EQ(m_image, library.bgr);
            EXPECT_FALSE(fs::exists(fs::symlink_status(kJpegTempFileName)));
        } else {
            EXPECT_EQ(ReadFile(kJpegTempFileName), stream);
        }
    }
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
