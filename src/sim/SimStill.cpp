#include "sim/SimStill.h"

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "platform/log/Log.h"
#include "sim/SimLog.h"
#include "sim/SimScene.h"

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Kept apart from EncodeSceneJpeg so no object with a destructor lives across the setjmp.
bool Encode(const BYTE* bgr, int width, int height, int quality, unsigned char** out,
            unsigned long* outSize) {
    jpeg_compress_struct cinfo{};
    JpegError error{};
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<BYTE*>(bgr + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

using Clock = std::chrono::steady_clock;

long long Since_ms(Clock::time_point start) {
    return static_cast<long long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

}  // namespace

SimBytes EncodeSceneJpeg(const CSimScene& scene, int width, int height, int quality,
                         const CSimScene::LensState& lens) {
    if (width <= 0 || height <= 0)
        return {};
    const auto start = Clock::now();
    const auto bgr = scene.Picture(width, height, lens);
    const long long render_ms = Since_ms(start);
    const auto rendered = Clock::now();
    unsigned char* stream = nullptr;
    unsigned long size = 0;
    const bool ok = Encode(bgr->data(), width, height, quality, &stream, &size);
    LogDebug(kLogSim, "JPEG still of %d x %d at lens %d: rendered in %lld ms, encoded in %lld ms",
             width, height, lens.position, render_ms, Since_ms(rendered));
    SimBytes jpeg;
    if (ok && stream)
        jpeg.assign(stream, stream + size);
    std::free(stream);
    return jpeg;
}

SimBytes BuildRawStill(const CSimScene& scene, int width, int height, int phase,
                       const CSimScene::LensState& lens) {
    const auto start = Clock::now();
    SimBytes raw(kRawHeaderSize + static_cast<size_t>(width) * height);
    std::fill(raw.begin(), raw.begin() + kRawHeaderSize, BYTE{0});
    raw[0] = 'R';
    raw[1] = 'A';
    raw[2] = 'W';
    raw[3] = '8';
    raw[10] = static_cast<BYTE>(height >> 8);
    raw[11] = static_cast<BYTE>(height);
    raw[12] = static_cast<BYTE>(width >> 8);
    raw[13] = static_cast<BYTE>(width);
    raw[16] = 8;
    raw[17] = static_cast<BYTE>(phase & 3);
    scene.RenderBayer(width, height, phase, raw.data() + kRawHeaderSize, lens);
    LogDebug(kLogSim, "raw still of %d x %d at lens %d: rendered in %lld ms", width, height,
             lens.position, Since_ms(start));
    return raw;
}
