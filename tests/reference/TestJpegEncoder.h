// Encodes a picture into a JPEG stream in memory with libjpeg-turbo, for the decoder's tests
// and benchmark. fillRow(y, row) writes sample row y (width x components bytes).
#pragma once

#include <cstdlib>
#include <vector>

#include "platform/com/Types.h"
// After the project's types: jpeglib.h defines TRUE and FALSE as macros.
#include <jpeglib.h>

struct TestJpegOptions {
    int components = 3;
    J_COLOR_SPACE space = JCS_RGB;
    int quality = 75;                         // the library's default
    const std::vector<BYTE>* app1 = nullptr;  // an APP1 marker written before the rows
    int restartRows = 0;                      // a restart marker after every so many MCU rows
    bool progressive = false;                 // many scans instead of one
};

template <class FillRow>
std::vector<BYTE> EncodeTestJpeg(int width, int height, const TestJpegOptions& options,
                                 FillRow fillRow) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = options.components;
    cinfo.in_color_space = options.space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    cinfo.restart_in_rows = options.restartRows;
    if (options.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (options.app1)
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, options.app1->data(),
                          static_cast<unsigned>(options.app1->size()));
    std::vector<BYTE> row(size_t(width) * options.components);
    for (int y = 0; y < height; ++y) {
        fillRow(y, row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<BYTE> stream(out, out + outSize);
    std::free(out);
    return stream;
}
