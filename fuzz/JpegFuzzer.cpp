// DecodeJpegSnapshot on arbitrary streams, at the size their own frame header names: no read
// outside the stream, no write outside the image, and a success only with every pixel written
// and "Temp.jpg" gone.
#include <unistd.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "imaging/JpegSnapshot.h"
// After the project's types: jpeglib.h defines TRUE and FALSE as macros.
#include <jpeglib.h>

namespace {

// Bounds the image and the library's own buffers; the camera's stills are larger, but the
// decoding paths are the same at any size.
constexpr JDIMENSION kMaxSide = 2048;
constexpr uint64_t kMaxPixels = uint64_t{1} << 21;

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

// The decoder writes "Temp.jpg" into the current directory, so the fuzzer runs in a private
// one. libFuzzer parses its flags after LLVMFuzzerInitialize and writes corpus units and
// crash inputs by the paths it was given, relative to where it started: those become absolute
// first, and crash inputs default to the starting directory rather than the private one.
std::vector<std::string> g_arguments;
std::vector<char*> g_argv;

std::string Absolute(const std::string& path) {
    return std::filesystem::absolute(path).string();
}

std::string AbsoluteArgument(const std::string& argument) {
    for (const std::string flag : {"-artifact_prefix=", "-exact_artifact_path=", "-dict="}) {
        if (argument.starts_with(flag)) {
            return flag + Absolute(argument.substr(flag.size()));
        }
    }
    return argument.starts_with('-') ? argument : Absolute(argument);
}

void MakePathsAbsolute(int* argc, char*** argv) {
    bool artifactPrefix = false;
    g_arguments.emplace_back((*argv)[0]);
    for (int i = 1; i < *argc; ++i) {
        g_arguments.push_back(AbsoluteArgument((*argv)[i]));
        artifactPrefix = artifactPrefix || g_arguments.back().starts_with("-artifact_prefix=");
    }
    if (!artifactPrefix) {
        g_arguments.push_back("-artifact_prefix=" + std::filesystem::current_path().string() + "/");
    }
    for (std::string& argument : g_arguments) {
        g_argv.push_back(argument.data());
    }
    g_argv.push_back(nullptr);
    *argc = int(g_arguments.size());
    *argv = g_argv.data();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    MakePathsAbsolute(argc, argv);
    Check(::chdir(MakePrivateFolder("nitidor-jpeg-fuzz").c_str()) == 0);
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
