#include "v4l2/V4l2Convert.h"

#include <libv4l-plugin.h>
#include <libv4lconvert.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/log/Log.h"
#include "v4l2/V4l2Log.h"

namespace {

constexpr V4l2PixelFormatInfo kFormats[] = {
    {V4L2_PIX_FMT_YUYV, 0, 16},   {V4L2_PIX_FMT_YVYU, 1, 16},   {V4L2_PIX_FMT_UYVY, 2, 16},
    {V4L2_PIX_FMT_YUV420, 3, 12}, {V4L2_PIX_FMT_YVU420, 4, 12}, {V4L2_PIX_FMT_BGR24, 5, 24},
    {V4L2_PIX_FMT_RGB24, 6, 24},  {V4L2_PIX_FMT_GREY, 7, 8},    {V4L2_PIX_FMT_SBGGR8, 8, 8},
    {V4L2_PIX_FMT_SGBRG8, 8, 8},  {V4L2_PIX_FMT_SGRBG8, 8, 8},  {V4L2_PIX_FMT_SRGGB8, 8, 8},
    {V4L2_PIX_FMT_MJPEG, 9, 0},   {V4L2_PIX_FMT_JPEG, 9, 0},
};

// The converter never asks the camera anything: it converts what it is given, so the same
// frame always gives the same picture, whatever the camera. It is told of a plain capture
// device and nothing more.
int ConverterIoctl(void*, int, unsigned long request, void* arg) {
    if (request == VIDIOC_QUERYCAP && arg) {
        auto* cap = static_cast<v4l2_capability*>(arg);
        *cap = {};
        cap->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        cap->device_caps = cap->capabilities;
        return 0;
    }
    errno = ENOTTY;
    return -1;
}

const libv4l_dev_ops* NoDeviceOps() {
    static const libv4l_dev_ops ops = [] {
        libv4l_dev_ops o{};
        o.ioctl = &ConverterIoctl;
        return o;
    }();
    return &ops;
}

}  // namespace

const V4l2PixelFormatInfo* FindV4l2PixelFormat(uint32_t pixelFormat) {
    for (const V4l2PixelFormatInfo& info : kFormats) {
        if (info.pixelFormat == pixelFormat)
            return &info;
    }
    return nullptr;
}

size_t JpegStreamLength(const uint8_t* data, size_t size) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return 0;
    for (size_t end = size; end >= 4; --end) {
        if (data[end - 2] == 0xFF && data[end - 1] == 0xD9)
            return end;
    }
    return 0;
}

CV4l2Convert::CV4l2Convert() : m_pData(v4lconvert_create_with_dev_ops(-1, nullptr, NoDeviceOps())) {
    if (!m_pData)
        LogWarning(kLogV4l2, "libv4lconvert would not start");
}

CV4l2Convert::~CV4l2Convert() {
    if (m_pData)
        v4lconvert_destroy(m_pData);
}

bool CV4l2Convert::Prepare(const v4l2_format& source) {
    const v4l2_pix_format& pix = source.fmt.pix;
    const V4l2PixelFormatInfo* info = FindV4l2PixelFormat(pix.pixelformat);
    if (!m_pData || !info || pix.width == 0 || pix.height == 0)
        return false;
    m_source = source;
    const uint64_t pixels = static_cast<uint64_t>(pix.width) * pix.height;
    m_nMinBytes = static_cast<size_t>(pixels * static_cast<uint64_t>(info->bitsPerPixel) / 8);
    if (info->bitsPerPixel != 0 && pix.bytesperline != 0) {
        // Rows the driver pads: the first plane's rows, and half as much again for 4:2:0.
        uint64_t padded = static_cast<uint64_t>(pix.bytesperline) * pix.height;
        if (info->bitsPerPixel == 12)
            padded += padded / 2;
        m_nMinBytes = std::max<size_t>(m_nMinBytes, static_cast<size_t>(padded));
    }
    m_target = {};
    m_target.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    m_target.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
    m_target.fmt.pix.width = pix.width;
    m_target.fmt.pix.height = pix.height;
    m_target.fmt.pix.field = V4L2_FIELD_NONE;
    m_target.fmt.pix.bytesperline = pix.width * 3;
    m_target.fmt.pix.sizeimage = static_cast<uint32_t>(pixels * 3);
    m_topDown.resize(static_cast<size_t>(pixels * 3));
    return true;
}

bool CV4l2Convert::Convert(const uint8_t* data, size_t size, std::span<uint8_t> frame) {
    const uint32_t width = m_target.fmt.pix.width;
    const uint32_t height = m_target.fmt.pix.height;
    const size_t row = static_cast<size_t>(width) * 3;
    const size_t stride = (row + 3) & ~size_t{3};
    if (!m_pData || m_topDown.empty() || frame.size() != stride * height)
        return false;
    const uint8_t* source = data;
    size_t length = size;
    if (IsJpegFormat(m_source.fmt.pix.pixelformat)) {
        length = JpegStreamLength(data, size);
        if (length == 0) {
            LogDebug(kLogV4l2, "a JPEG frame of %zu bytes without its markers: skipped", size);
            return false;
        }
        // The decoder may write into its input; the driver's buffer is not ours to change.
        m_jpeg.assign(data, data + length);
        source = m_jpeg.data();
    } else if (size < m_nMinBytes) {
        LogDebug(kLogV4l2, "a frame of %zu bytes, %zu needed: skipped", size, m_nMinBytes);
        return false;
    }
    if (length > static_cast<size_t>(INT32_MAX))
        return false;
    const int written = v4lconvert_convert(
        m_pData, &m_source, &m_target, const_cast<unsigned char*>(source), static_cast<int>(length),
        m_topDown.data(), static_cast<int>(m_topDown.size()));
    if (written < 0 || static_cast<size_t>(written) < m_topDown.size()) {
        LogDebug(kLogV4l2, "a frame would not convert: %s", v4lconvert_get_error_message(m_pData));
        return false;
    }
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* out = frame.data() + stride * (height - 1 - y);
        std::memcpy(out, m_topDown.data() + row * y, row);
        std::fill(out + row, out + stride, uint8_t{0});
    }
    return true;
}
