// A scripted V4L2 driver behind the backend's system-call seam, answering as the V4L2
// documentation has a capture driver answer: capabilities, formats, sizes and intervals, S_FMT,
// mmap streaming with QBUF/DQBUF, poll. Tests script its nodes, the frames it fills and its
// faults (a camera gone from some call on, a driver that sets another format, odd replies), and
// read what was left behind (mappings, open descriptors, queued buffers).
#pragma once

#include <poll.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <linux/videodev2.h>

#include "v4l2/V4l2Cameras.h"
#include "v4l2/V4l2System.h"

struct ScriptedMode {
    uint32_t pixelFormat = V4L2_PIX_FMT_YUYV;
    uint32_t width = 8;
    uint32_t height = 4;
    std::vector<v4l2_fract> intervals{{1, 30}};  // empty: ENUM_FRAMEINTERVALS says ENOTTY
};

struct ScriptedNode {
    std::string path = "/dev/video0";
    std::string card = "Bench Camera";
    std::string busInfo = "usb-0000:00:14.0-1";
    uint32_t deviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    std::vector<ScriptedMode> modes{ScriptedMode{}};
};

// One DQBUF answer: a filled buffer, or an error.
struct ScriptedFrame {
    std::vector<uint8_t> bytes;
    int error = 0;           // EAGAIN, EIO, ...: DQBUF fails so
    int64_t bytesUsed = -1;  // what the driver says it filled; -1: bytes.size()
    int64_t index = -1;      // the index it reports; -1: the buffer it really filled
    uint32_t flags = 0;
};

class CScriptedV4l2Kernel : public IV4l2System {
public:
    std::vector<ScriptedNode> nodes;
    std::deque<ScriptedFrame> frames;  // DQBUF takes the front
    int lostFromCall = -1;             // every counted call from this one fails with ENODEV
    bool bOtherFormat = false;         // S_FMT sets the next size it has instead
    int setFormatError = 0;            // S_FMT fails so
    int64_t requestedBuffers = -1;     // REQBUFS answers this count; -1: as asked
    int64_t bufferLength = -1;         // QUERYBUF's length; -1: sizeimage
    bool bPollError = false;           // poll says POLLERR

    int calls = 0;  // counted calls: Open, Ioctl, Mmap, Poll
    int openFds = 0;
    int mappings = 0;
    int streamOns = 0;
    v4l2_pix_format lastFormat{};  // the last S_FMT's answer

    size_t QueuedBuffers() const { return m_queued.size(); }
    // For a test thread while the stream's thread uses the kernel; the other members are read
    // only while nothing streams.
    void Push(ScriptedFrame frame) {
        std::lock_guard lock(m_lock);
        frames.push_back(std::move(frame));
    }

    int Open(const char* path, int) override {
        std::lock_guard lock(m_lock);
        if (Fails())
            return -ENODEV;
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].path == path) {
                ++openFds;
                m_fdNode[kFirstFd + static_cast<int>(i)] = i;
                return kFirstFd + static_cast<int>(i);
            }
        }
        return -ENOENT;
    }
    void Close(int fd) override {
        std::lock_guard lock(m_lock);
        if (m_fdNode.erase(fd))
            --openFds;
    }
    void* Mmap(size_t length, int fd, off_t offset, int& error) override {
        std::lock_guard lock(m_lock);
        if (Fails()) {
            error = ENODEV;
            return nullptr;
        }
        const size_t index = m_sizeImage ? static_cast<size_t>(offset) / m_sizeImage : 0;
        if (!m_fdNode.count(fd) || index >= m_buffers.size() || length > m_buffers[index].size()) {
            error = EINVAL;
            return nullptr;
        }
        ++mappings;
        return m_buffers[index].data();
    }
    void Munmap(void*, size_t) override {
        std::lock_guard lock(m_lock);
        --mappings;
    }
    int Poll(int, short, int timeout_ms, short& revents) override {
        {
            std::lock_guard lock(m_lock);
            if (Fails() || bPollError) {
                revents = POLLERR | POLLHUP;
                return 1;
            }
            revents = frames.empty() ? 0 : POLLIN;
            if (!frames.empty())
                return 1;
        }
        // Nothing to take: the wait takes a little time, as the kernel's would.
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeout_ms, 5)));
        return 0;
    }
    int Ioctl(int fd, unsigned long request, void* arg) override {
        std::lock_guard lock(m_lock);
        if (Fails())
            return ENODEV;
        const auto it = m_fdNode.find(fd);
        if (it == m_fdNode.end())
            return EBADF;
        return Answer(nodes[it->second], request, arg);
    }

private:
    static constexpr int kFirstFd = 100;

    bool Fails() { return lostFromCall >= 0 && calls++ >= lostFromCall; }

    static const ScriptedMode* FindMode(const ScriptedNode& node, uint32_t fourcc, uint32_t w,
                                        uint32_t h) {
        for (const ScriptedMode& m : node.modes)
            if (m.pixelFormat == fourcc && m.width == w && m.height == h)
                return &m;
        return nullptr;
    }
    static std::vector<uint32_t> Fourccs(const ScriptedNode& node) {
        std::vector<uint32_t> list;
        for (const ScriptedMode& m : node.modes)
            if (std::find(list.begin(), list.end(), m.pixelFormat) == list.end())
                list.push_back(m.pixelFormat);
        return list;
    }
    static uint32_t FrameBytes(const ScriptedMode& m) {
        const uint32_t bits = m.pixelFormat == V4L2_PIX_FMT_YUYV ? 16 : 24;
        return m.pixelFormat == V4L2_PIX_FMT_MJPEG ? m.width * m.height * 3
                                                   : m.width * m.height * bits / 8;
    }

    int Answer(const ScriptedNode& node, unsigned long request, void* arg) {
        switch (request) {
            case VIDIOC_QUERYCAP: {
                auto* cap = static_cast<v4l2_capability*>(arg);
                *cap = {};
                // Filled to the brim: the driver need not end its texts with a zero.
                std::memcpy(cap->card, node.card.data(),
                            std::min(node.card.size(), sizeof cap->card));
                std::memcpy(cap->bus_info, node.busInfo.data(),
                            std::min(node.busInfo.size(), sizeof cap->bus_info));
                cap->device_caps = node.deviceCaps;
                cap->capabilities = node.deviceCaps | V4L2_CAP_DEVICE_CAPS;
                return 0;
            }
            case VIDIOC_ENUM_FMT: {
                auto* desc = static_cast<v4l2_fmtdesc*>(arg);
                const std::vector<uint32_t> list = Fourccs(node);
                if (desc->index >= list.size())
                    return EINVAL;
                desc->pixelformat = list[desc->index];
                return 0;
            }
            case VIDIOC_ENUM_FRAMESIZES: {
                auto* size = static_cast<v4l2_frmsizeenum*>(arg);
                uint32_t n = 0;
                for (const ScriptedMode& m : node.modes) {
                    if (m.pixelFormat != size->pixel_format || n++ != size->index)
                        continue;
                    size->type = V4L2_FRMSIZE_TYPE_DISCRETE;
                    size->discrete = {m.width, m.height};
                    return 0;
                }
                return EINVAL;
            }
            case VIDIOC_ENUM_FRAMEINTERVALS: {
                auto* ival = static_cast<v4l2_frmivalenum*>(arg);
                const ScriptedMode* m =
                    FindMode(node, ival->pixel_format, ival->width, ival->height);
                if (!m)
                    return EINVAL;
                if (m->intervals.empty())
                    return ENOTTY;
                if (ival->index >= m->intervals.size())
                    return EINVAL;
                ival->type = V4L2_FRMIVAL_TYPE_DISCRETE;
                ival->discrete = m->intervals[ival->index];
                return 0;
            }
            case VIDIOC_G_PARM: {
                auto* parm = static_cast<v4l2_streamparm*>(arg);
                parm->parm.capture.timeperframe = {1, 25};
                return 0;
            }
            case VIDIOC_S_PARM:
                return 0;
            case VIDIOC_S_FMT:
                return SetFormat(node, *static_cast<v4l2_format*>(arg));
            case VIDIOC_REQBUFS: {
                auto* req = static_cast<v4l2_requestbuffers*>(arg);
                if (m_bStreaming)
                    return EBUSY;
                m_queued.clear();
                if (req->count == 0) {
                    m_buffers.clear();
                    return 0;
                }
                req->count =
                    requestedBuffers >= 0 ? static_cast<uint32_t>(requestedBuffers) : req->count;
                m_buffers.assign(std::min<uint32_t>(req->count, 64),
                                 std::vector<uint8_t>(m_sizeImage));
                return 0;
            }
            case VIDIOC_QUERYBUF: {
                auto* b = static_cast<v4l2_buffer*>(arg);
                if (b->index >= m_buffers.size())
                    return EINVAL;
                b->length = bufferLength >= 0 ? static_cast<uint32_t>(bufferLength) : m_sizeImage;
                b->m.offset = b->index * m_sizeImage;
                return 0;
            }
            case VIDIOC_QBUF: {
                auto* b = static_cast<v4l2_buffer*>(arg);
                if (b->index >= m_buffers.size() ||
                    std::find(m_queued.begin(), m_queued.end(), b->index) != m_queued.end())
                    return EINVAL;
                m_queued.push_back(b->index);
                return 0;
            }
            case VIDIOC_DQBUF:
                return Dequeue(*static_cast<v4l2_buffer*>(arg));
            case VIDIOC_STREAMON:
                m_bStreaming = true;
                ++streamOns;
                return 0;
            case VIDIOC_STREAMOFF:
                m_bStreaming = false;
                m_queued.clear();
                return 0;
            default:
                return ENOTTY;
        }
    }

    int SetFormat(const ScriptedNode& node, v4l2_format& f) {
        if (setFormatError)
            return setFormatError;
        v4l2_pix_format& pix = f.fmt.pix;
        const ScriptedMode* asked = FindMode(node, pix.pixelformat, pix.width, pix.height);
        // As drivers do: no error, but a format they have instead of one they have not.
        const ScriptedMode* m = asked ? asked : &node.modes.front();
        if (bOtherFormat) {
            for (const ScriptedMode& other : node.modes)
                if (&other != asked)
                    m = &other;
        }
        pix.pixelformat = m->pixelFormat;
        pix.width = m->width;
        pix.height = m->height;
        pix.bytesperline = m->pixelFormat == V4L2_PIX_FMT_MJPEG ? 0 : FrameBytes(*m) / m->height;
        pix.sizeimage = FrameBytes(*m);
        m_sizeImage = pix.sizeimage;
        lastFormat = pix;
        return 0;
    }

    int Dequeue(v4l2_buffer& b) {
        if (!m_bStreaming || frames.empty() || m_queued.empty())
            return EAGAIN;
        ScriptedFrame frame = std::move(frames.front());
        frames.pop_front();
        if (frame.error)
            return frame.error;
        const uint32_t index = m_queued.front();
        m_queued.pop_front();
        std::vector<uint8_t>& buffer = m_buffers[index];
        std::memcpy(buffer.data(), frame.bytes.data(), std::min(buffer.size(), frame.bytes.size()));
        b.index = frame.index >= 0 ? static_cast<uint32_t>(frame.index) : index;
        b.bytesused = frame.bytesUsed >= 0 ? static_cast<uint32_t>(frame.bytesUsed)
                                           : static_cast<uint32_t>(frame.bytes.size());
        b.flags = frame.flags;
        return 0;
    }

    std::mutex m_lock;
    std::map<int, size_t> m_fdNode;
    std::vector<std::vector<uint8_t>> m_buffers;
    std::deque<uint32_t> m_queued;
    uint32_t m_sizeImage = 0;
    bool m_bStreaming = false;
};

inline V4l2CameraNode NodeOf(const ScriptedNode& n) {
    return {n.path, n.card, n.busInfo, n.card};
}
// The kernel's first node, opened as it was listed.
inline std::unique_ptr<ICaptureBackend> Open(CScriptedV4l2Kernel& kernel) {
    return OpenV4l2Backend(kernel, NodeOf(kernel.nodes.front()));
}
