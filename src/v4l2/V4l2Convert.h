// CV4l2Convert: a camera's frame (YUYV, MJPEG and the other formats libv4lconvert reads) into
// the graph's 24-bit frame: blue, green, red, rows bottom-up, each padded to 4 bytes. A frame
// shorter than its format needs, or a JPEG without its markers, is refused, never read past.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include <linux/videodev2.h>

struct v4lconvert_data;

// How much of the camera's formats we take, best first: the rank orders formats that offer the
// same size and rate (the cheapest to convert wins).
struct V4l2PixelFormatInfo {
    uint32_t pixelFormat;
    int rank;
    // Bits of one pixel in a frame, for the least a frame must hold; 0 for a compressed format.
    int bitsPerPixel;
};
// Null for a format we do not convert.
const V4l2PixelFormatInfo* FindV4l2PixelFormat(uint32_t pixelFormat);
inline bool IsJpegFormat(uint32_t pixelFormat) {
    return pixelFormat == V4L2_PIX_FMT_MJPEG || pixelFormat == V4L2_PIX_FMT_JPEG;
}
// The JPEG stream in a frame: from its start marker to the last end marker, the bytes after it
// (a camera's padding) left out; 0 when the frame holds no such stream.
size_t JpegStreamLength(const uint8_t* data, size_t size);

class CV4l2Convert {
public:
    CV4l2Convert();
    ~CV4l2Convert();
    CV4l2Convert(const CV4l2Convert&) = delete;
    CV4l2Convert& operator=(const CV4l2Convert&) = delete;

    // `source` as the driver set it. False for a format we do not take.
    bool Prepare(const v4l2_format& source);
    // One frame of the prepared format into `frame` (exactly the graph's frame size).
    bool Convert(const uint8_t* data, size_t size, std::span<uint8_t> frame);

private:
    v4lconvert_data* m_pData = nullptr;
    v4l2_format m_source{};
    v4l2_format m_target{};
    size_t m_nMinBytes = 0;
    std::vector<uint8_t> m_topDown;
    std::vector<uint8_t> m_jpeg;  // a JPEG frame, copied out of the driver's buffer
};
