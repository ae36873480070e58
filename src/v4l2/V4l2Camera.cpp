#include "v4l2/V4l2Camera.h"

#include <fcntl.h>
#include <poll.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/log/Log.h"
#include "v4l2/V4l2Log.h"

namespace {

// Bounds on what a driver lists, so a driver that never says "no more" cannot hold us.
constexpr uint32_t kMaxFormats = 64;
constexpr uint32_t kMaxSizes = 256;
constexpr uint32_t kMaxIntervals = 64;
// Sides the graph can carry (platform/dshow/VideoFrame.h).
constexpr uint32_t kMaxSide = 16384;
constexpr uint32_t kBuffersWanted = 4;
constexpr uint32_t kMaxBuffers = 32;
// No camera frame is larger than this; a driver that says otherwise is not believed.
constexpr size_t kMaxBufferBytes = size_t{256} << 20;
constexpr int64_t kOneSecond_100ns = 10'000'000;
// After a wake-up that brought no frame, the next wait is not allowed to return at once more
// than this often in a row; past it, a short pause keeps a confused driver from spinning us.
constexpr int kSpuriousWakesBeforePause = 4;
constexpr auto kSpuriousPause = std::chrono::milliseconds(5);

// A fixed-size text field of a driver's reply, which need not end with a zero.
template <size_t N>
std::string FieldText(const __u8 (&field)[N]) {
    const auto* text = reinterpret_cast<const char*>(field);
    return std::string(text, strnlen(text, N));
}

bool SaneSize(uint32_t width, uint32_t height) {
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide;
}

// A fraction of seconds in 100-ns units; 0 when it is none.
int64_t IntervalOf(const v4l2_fract& f) {
    if (f.numerator == 0 || f.denominator == 0)
        return 0;
    return static_cast<int64_t>(f.numerator) * kOneSecond_100ns / f.denominator;
}

v4l2_buffer CaptureBuffer(uint32_t index) {
    v4l2_buffer b{};
    b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b.memory = V4L2_MEMORY_MMAP;
    b.index = index;
    return b;
}

}  // namespace

std::string FourCcText(uint32_t pixelFormat) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((pixelFormat >> (8 * i)) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

std::unique_ptr<CV4l2Camera> CV4l2Camera::Open(IV4l2System& system, const std::string& path) {
    const int fd = system.Open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (-fd != ENOENT)
            LogDebug(kLogV4l2, "%s: cannot be opened: %s", path.c_str(), std::strerror(-fd));
        return nullptr;
    }
    std::unique_ptr<CV4l2Camera> camera(new CV4l2Camera(system, fd, path));
    if (!camera->QueryCapabilities())
        return nullptr;
    return camera;
}

CV4l2Camera::CV4l2Camera(IV4l2System& system, int fd, std::string path)
    : m_system(system), m_fd(fd), m_path(std::move(path)) {}

CV4l2Camera::~CV4l2Camera() {
    StopStreaming();
    m_system.Close(m_fd);
}

int CV4l2Camera::Ioctl(unsigned long request, void* arg) {
    const int error = m_system.Ioctl(m_fd, request, arg);
    if (error == ENODEV && !m_bLost) {
        LogWarning(kLogV4l2, "%s: the camera is gone (ENODEV)", m_path.c_str());
        m_bLost = true;
    }
    return error;
}

bool CV4l2Camera::QueryCapabilities() {
    v4l2_capability cap{};
    if (const int error = Ioctl(VIDIOC_QUERYCAP, &cap); error != 0) {
        LogDebug(kLogV4l2, "%s: QUERYCAP: %s", m_path.c_str(), std::strerror(error));
        return false;
    }
    // The node's own capabilities, where the driver tells them apart from the device's.
    const uint32_t caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING)) {
        LogDebug(kLogV4l2, "%s: no streaming video capture (0x%08X)", m_path.c_str(), caps);
        return false;
    }
    m_card = FieldText(cap.card);
    m_busInfo = FieldText(cap.bus_info);
    return true;
}

bool CV4l2Camera::ListModes(std::vector<V4l2Mode>& modes) {
    modes.clear();
    for (uint32_t i = 0; i < kMaxFormats; ++i) {
        v4l2_fmtdesc desc{};
        desc.index = i;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (Ioctl(VIDIOC_ENUM_FMT, &desc) != 0)
            break;
        if (desc.flags & V4L2_FMT_FLAG_EMULATED)
            continue;
        ListSizes(desc.pixelformat, modes);
    }
    return !m_bLost;
}

void CV4l2Camera::ListSizes(uint32_t pixelFormat, std::vector<V4l2Mode>& modes) {
    for (uint32_t i = 0; i < kMaxSizes && !m_bLost; ++i) {
        v4l2_frmsizeenum size{};
        size.index = i;
        size.pixel_format = pixelFormat;
        if (Ioctl(VIDIOC_ENUM_FRAMESIZES, &size) != 0)
            break;
        std::vector<std::pair<uint32_t, uint32_t>> sides;
        if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            sides.emplace_back(size.discrete.width, size.discrete.height);
        } else {
            // A range: its two ends, and 640 x 480 when the range holds it.
            const v4l2_frmsize_stepwise& s = size.stepwise;
            sides.emplace_back(s.min_width, s.min_height);
            const uint32_t sw = std::max(1u, s.step_width);
            const uint32_t sh = std::max(1u, s.step_height);
            if (s.min_width <= 640 && 640 <= s.max_width && s.min_height <= 480 &&
                480 <= s.max_height && (640 - s.min_width) % sw == 0 &&
                (480 - s.min_height) % sh == 0) {
                sides.emplace_back(640, 480);
            }
            sides.emplace_back(s.max_width, s.max_height);
        }
        for (const auto& [w, h] : sides) {
            if (!SaneSize(w, h))
                continue;
            const bool bSeen = std::any_of(modes.begin(), modes.end(), [&](const V4l2Mode& m) {
                return m.pixelFormat == pixelFormat && m.width == w && m.height == h;
            });
            if (bSeen)
                continue;
            V4l2Mode mode{pixelFormat, w, h, {}, false};
            ListIntervals(mode);
            modes.push_back(std::move(mode));
        }
        if (size.type != V4L2_FRMSIZE_TYPE_DISCRETE)
            break;  // a range is listed once, at index 0
    }
}

void CV4l2Camera::ListIntervals(V4l2Mode& mode) {
    for (uint32_t i = 0; i < kMaxIntervals && !m_bLost; ++i) {
        v4l2_frmivalenum ival{};
        ival.index = i;
        ival.pixel_format = mode.pixelFormat;
        ival.width = mode.width;
        ival.height = mode.height;
        if (Ioctl(VIDIOC_ENUM_FRAMEINTERVALS, &ival) != 0)
            break;
        if (ival.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            if (const int64_t t = IntervalOf(ival.discrete); t > 0)
                mode.intervals_100ns.push_back(t);
            continue;
        }
        const int64_t lo = IntervalOf(ival.stepwise.min);
        const int64_t hi = IntervalOf(ival.stepwise.max);
        if (lo > 0 && hi >= lo) {
            mode.intervals_100ns = {lo, hi};
            mode.bRange = true;
        }
        break;
    }
    if (mode.intervals_100ns.empty()) {
        // A driver that lists no rates (PipeWire's layer among them) streams at its current
        // one; ask it which, or take the usual 30 per second.
        v4l2_streamparm parm{};
        parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        int64_t t = 0;
        if (Ioctl(VIDIOC_G_PARM, &parm) == 0)
            t = IntervalOf(parm.parm.capture.timeperframe);
        mode.intervals_100ns.push_back(t > 0 ? t : kOneSecond_100ns / 30);
    }
    std::sort(mode.intervals_100ns.begin(), mode.intervals_100ns.end());
    mode.intervals_100ns.erase(
        std::unique(mode.intervals_100ns.begin(), mode.intervals_100ns.end()),
        mode.intervals_100ns.end());
}

bool CV4l2Camera::SetFormat(const V4l2Mode& mode, int64_t interval_100ns, v4l2_format& format) {
    StopStreaming();
    format = {};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.pixelformat = mode.pixelFormat;
    format.fmt.pix.width = mode.width;
    format.fmt.pix.height = mode.height;
    format.fmt.pix.field = V4L2_FIELD_NONE;
    if (const int error = Ioctl(VIDIOC_S_FMT, &format); error != 0) {
        LogWarning(kLogV4l2, "%s: S_FMT %s %u x %u: %s", m_path.c_str(),
                   FourCcText(mode.pixelFormat).c_str(), mode.width, mode.height,
                   std::strerror(error));
        return false;
    }
    const v4l2_pix_format& pix = format.fmt.pix;
    if (pix.pixelformat != mode.pixelFormat || pix.width != mode.width ||
        pix.height != mode.height) {
        LogWarning(kLogV4l2, "%s: asked for %s %u x %u, the driver set %s %u x %u", m_path.c_str(),
                   FourCcText(mode.pixelFormat).c_str(), mode.width, mode.height,
                   FourCcText(pix.pixelformat).c_str(), pix.width, pix.height);
        return false;
    }
    if (pix.sizeimage == 0 || pix.sizeimage > kMaxBufferBytes) {
        LogWarning(kLogV4l2, "%s: the driver's frame size %u is not believed", m_path.c_str(),
                   pix.sizeimage);
        return false;
    }
    m_nFrameBytes = pix.sizeimage;

    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe = {static_cast<uint32_t>(interval_100ns),
                                      static_cast<uint32_t>(kOneSecond_100ns)};
    if (interval_100ns > 0 && interval_100ns <= UINT32_MAX) {
        if (const int error = Ioctl(VIDIOC_S_PARM, &parm); error != 0)
            LogDebug(kLogV4l2, "%s: S_PARM: %s; the driver keeps its rate", m_path.c_str(),
                     std::strerror(error));
    }
    return !m_bLost;
}

bool CV4l2Camera::MapBuffers(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        v4l2_buffer b = CaptureBuffer(i);
        if (const int error = Ioctl(VIDIOC_QUERYBUF, &b); error != 0) {
            LogWarning(kLogV4l2, "%s: QUERYBUF %u: %s", m_path.c_str(), i, std::strerror(error));
            return false;
        }
        if (b.index != i || b.length < m_nFrameBytes || b.length > kMaxBufferBytes) {
            LogWarning(kLogV4l2, "%s: buffer %u of %u bytes for frames of %zu is not believed",
                       m_path.c_str(), b.index, b.length, m_nFrameBytes);
            return false;
        }
        int error = 0;
        void* address = m_system.Mmap(b.length, m_fd, static_cast<off_t>(b.m.offset), error);
        if (!address) {
            LogWarning(kLogV4l2, "%s: mmap of buffer %u: %s", m_path.c_str(), i,
                       std::strerror(error));
            return false;
        }
        m_buffers.push_back({address, b.length});
        if (const int qerror = Ioctl(VIDIOC_QBUF, &b); qerror != 0) {
            LogWarning(kLogV4l2, "%s: QBUF %u: %s", m_path.c_str(), i, std::strerror(qerror));
            return false;
        }
    }
    return true;
}

void CV4l2Camera::UnmapBuffers() {
    for (const Buffer& buffer : m_buffers)
        m_system.Munmap(buffer.address, buffer.length);
    m_buffers.clear();
}

bool CV4l2Camera::StartStreaming() {
    StopStreaming();
    v4l2_requestbuffers request{};
    request.count = kBuffersWanted;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (const int error = Ioctl(VIDIOC_REQBUFS, &request); error != 0) {
        LogWarning(kLogV4l2, "%s: REQBUFS: %s", m_path.c_str(), std::strerror(error));
        return false;
    }
    m_bStreaming = true;  // from here on StopStreaming gives the buffers back
    if (request.count == 0 || request.count > kMaxBuffers) {
        LogWarning(kLogV4l2, "%s: the driver gave %u buffers", m_path.c_str(), request.count);
        StopStreaming();
        return false;
    }
    if (!MapBuffers(request.count)) {
        StopStreaming();
        return false;
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (const int error = Ioctl(VIDIOC_STREAMON, &type); error != 0) {
        LogWarning(kLogV4l2, "%s: STREAMON: %s", m_path.c_str(), std::strerror(error));
        StopStreaming();
        return false;
    }
    return true;
}

void CV4l2Camera::StopStreaming() {
    if (!m_bStreaming)
        return;
    m_bStreaming = false;
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Ioctl(VIDIOC_STREAMOFF, &type);
    UnmapBuffers();
    v4l2_requestbuffers release{};
    release.count = 0;
    release.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    release.memory = V4L2_MEMORY_MMAP;
    Ioctl(VIDIOC_REQBUFS, &release);
}

CV4l2Camera::Dequeue CV4l2Camera::DequeueOne(V4l2Frame& frame) {
    v4l2_buffer b = CaptureBuffer(0);
    const int error = Ioctl(VIDIOC_DQBUF, &b);
    if (error == EAGAIN || error == EINTR)
        return Dequeue::None;
    if (error == EIO) {
        // A transient fault (signal lost); if it lasts, the silence catches it.
        LogDebug(kLogV4l2, "%s: DQBUF: EIO", m_path.c_str());
        return Dequeue::Skipped;
    }
    if (error != 0) {
        LogWarning(kLogV4l2, "%s: DQBUF: %s", m_path.c_str(), std::strerror(error));
        return Dequeue::Lost;
    }
    if (b.index >= m_buffers.size()) {
        // Which buffer this is cannot be known, so it cannot be given back: the stream is over.
        LogWarning(kLogV4l2, "%s: the driver returned buffer %u of %zu", m_path.c_str(), b.index,
                   m_buffers.size());
        return Dequeue::Lost;
    }
    frame = {b.index, static_cast<const uint8_t*>(m_buffers[b.index].address), b.bytesused};
    if ((b.flags & V4L2_BUF_FLAG_ERROR) || b.bytesused == 0 ||
        b.bytesused > m_buffers[b.index].length) {
        LogDebug(kLogV4l2, "%s: buffer %u skipped: %u bytes of %zu, flags 0x%08X", m_path.c_str(),
                 b.index, b.bytesused, m_buffers[b.index].length, b.flags);
        return Requeue(frame) ? Dequeue::Skipped : Dequeue::Lost;
    }
    return Dequeue::Frame;
}

bool CV4l2Camera::Requeue(const V4l2Frame& frame) {
    if (frame.index >= m_buffers.size())
        return false;
    v4l2_buffer b = CaptureBuffer(frame.index);
    if (const int error = Ioctl(VIDIOC_QBUF, &b); error != 0) {
        // One buffer fewer still streams; with none left, poll reports the error.
        LogWarning(kLogV4l2, "%s: QBUF %u: %s", m_path.c_str(), frame.index, std::strerror(error));
        return error != ENODEV;
    }
    return true;
}

V4l2Wait CV4l2Camera::WaitNewest(int timeout_ms, V4l2Frame& frame) {
    if (!m_bStreaming || m_bLost)
        return V4l2Wait::Lost;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    int spurious = 0;
    for (;;) {
        // Everything filled so far, of which only the newest is kept.
        bool bHave = false;
        V4l2Frame newest;
        for (size_t i = 0; i <= 2 * m_buffers.size(); ++i) {
            V4l2Frame taken;
            const Dequeue result = DequeueOne(taken);
            if (result == Dequeue::Lost)
                return V4l2Wait::Lost;
            if (result == Dequeue::None)
                break;
            if (result == Dequeue::Skipped)
                continue;
            if (bHave && !Requeue(newest))
                return V4l2Wait::Lost;
            newest = taken;
            bHave = true;
        }
        if (bHave) {
            frame = newest;
            return V4l2Wait::Frame;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return V4l2Wait::Timeout;
        if (++spurious > kSpuriousWakesBeforePause)
            std::this_thread::sleep_for(kSpuriousPause);
        short revents = 0;
        const int n = m_system.Poll(m_fd, POLLIN, static_cast<int>(left.count()), revents);
        if (n == -EINTR)
            continue;
        if (n < 0) {
            LogWarning(kLogV4l2, "%s: poll: %s", m_path.c_str(), std::strerror(-n));
            return V4l2Wait::Lost;
        }
        if (n == 0)
            return V4l2Wait::Timeout;
        if (revents & (POLLERR | POLLHUP | POLLNVAL)) {
            LogWarning(kLogV4l2, "%s: poll says the camera failed (0x%04X)", m_path.c_str(),
                       static_cast<unsigned>(revents));
            return V4l2Wait::Lost;
        }
    }
}
