// DecodeJpegSnapshot on arbitrary streams, at the size their own frame header names: no read
// outside the stream, no write outside the image, and a success only with every pixel written
// and "Temp.jpg" gone.
#include <fcntl.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "imaging/JpegSnapshot.h"
// After the project's types: jpeglib.h defines TRUE and FALSE as macros.
#include <jpeglib.h>

namespace {

// Bounds the image and the library's own buffers; the camera's stills are larger, but the
// decoding paths are the same at any size.
constexpr JDIMENSION kMaxSide = 2048;
constexpr uint64_t kMaxPixels = uint64_t{1} << 21;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct QuietErrorManager {
    jpeg_error_mgr mgr;  // first, so the library's err pointer leads back here
    std::jmp_buf recovery;
};

// Runs below the recovery point: nothing here has a destructor.
void ReadHeader(jpeg_decompress_struct* cinfo, const uint8_t* data, size_t size, JDIMENSION* width,
                JDIMENSION* height) {
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(cinfo, TRUE);
    *width = cinfo->image_width;
    *height = cinfo->image_height;
}

// The frame size as the decoder will read it; zero when the library finds no frame.
void FrameSize(const uint8_t* data, size_t size, JDIMENSION* width, JDIMENSION* height) {
    jpeg_decompress_struct cinfo{};
    QuietErrorManager error{};
    cinfo.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<QuietErrorManager*>(c->err)->recovery, 1);
    };
    error.mgr.output_message = [](j_common_ptr) {};
    if (setjmp(error.recovery) == 0) {
        ReadHeader(&cinfo, data, size, width, height);
    }
    jpeg_destroy_decompress(&cinfo);
}

// "Temp.jpg" goes into a private directory; libFuzzer's corpus and artifact paths are relative
// to where it was started, so each decode steps into the directory and back out.
std::string g_workPath;
int g_workDir = -1;
int g_startDir = -1;

class CInWorkDirectory {
public:
    CInWorkDirectory() { Check(::fchdir(g_workDir) == 0); }
    ~CInWorkDirectory() { Check(::fchdir(g_startDir) == 0); }
    CInWorkDirectory(const CInWorkDirectory&) = delete;
    CInWorkDirectory& operator=(const CInWorkDirectory&) = delete;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_workPath = (std::filesystem::temp_directory_path() / "nitidor-jpeg-fuzz-XXXXXX").string();
    Check(::mkdtemp(g_workPath.data()) != nullptr);
    g_workDir = ::open(g_workPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    g_startDir = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Check(g_workDir >= 0 && g_startDir >= 0);
    std::atexit([] {
        std::remove((g_workPath + "/" + kJpegTempFileName).c_str());
        ::rmdir(g_workPath.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) {
        return 0;
    }
    JDIMENSION width = 0;
    JDIMENSION height = 0;
    FrameSize(data, size, &width, &height);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        uint64_t{width} * height > kMaxPixels) {
        return 0;
    }
    // Exactly the image's size, so the sanitizer sees any write past it.
    const size_t bytes = size_t{3} * width * height;
    auto first = std::unique_ptr<BYTE[]>(new BYTE[bytes]);
    std::memset(first.get(), 0x00, bytes);
    const CInWorkDirectory inWorkDirectory;
    if (!DecodeJpegSnapshot(data, DWORD(size), first.get(), int(width), int(height))) {
        return 0;
    }
    Check(!std::filesystem::exists(std::filesystem::symlink_status(kJpegTempFileName)));
    // Decoded again over other contents: a pixel the first decode skipped shows as a difference.
    auto second = std::unique_ptr<BYTE[]>(new BYTE[bytes]);
    std::memset(second.get(), 0xFF, bytes);
    Check(DecodeJpegSnapshot(data, DWORD(size), second.get(), int(width), int(height)) != FALSE);
    Check(std::memcmp(first.get(), second.get(), bytes) == 0);
    return 0;
}
