// CV4l2Camera: one open V4L2 capture node and what its kernel driver says about it: the
// capabilities, the formats it lists (V4l2Mode), setting one of them, and mmap streaming with
// a few buffers. Every length and index the driver reports is checked before it is used; a
// buffer the driver fills wrongly is handed back and skipped, never read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <linux/videodev2.h>

#include "v4l2/V4l2System.h"

// One pixel format at one frame size, with the frame intervals the driver offers for it
// (100-ns units, ascending). bRange: any interval from the first to the last will do.
struct V4l2Mode {
    uint32_t pixelFormat = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<int64_t> intervals_100ns;
    bool bRange = false;
};

// One filled buffer, valid until it is requeued.
struct V4l2Frame {
    uint32_t index = 0;
    const uint8_t* data = nullptr;
    size_t bytesUsed = 0;
};

enum class V4l2Wait { Frame, Timeout, Lost };

class CV4l2Camera {
public:
    // Null when the node cannot be opened or is no streaming video capture device.
    static std::unique_ptr<CV4l2Camera> Open(IV4l2System& system, const std::string& path);
    ~CV4l2Camera();
    CV4l2Camera(const CV4l2Camera&) = delete;
    CV4l2Camera& operator=(const CV4l2Camera&) = delete;

    const std::string& Path() const { return m_path; }
    const std::string& Card() const { return m_card; }
    const std::string& BusInfo() const { return m_busInfo; }

    // Every format, size and interval the driver lists; false when the node is gone.
    bool ListModes(std::vector<V4l2Mode>& modes);
    // Sets the format and asks for the interval (a driver that cannot change its rate keeps
    // its own). False, with nothing streaming, when the driver sets another format or reports
    // sizes that cannot hold a frame. `format` is the driver's answer.
    bool SetFormat(const V4l2Mode& mode, int64_t interval_100ns, v4l2_format& format);
    // Maps and queues the buffers and starts the stream.
    bool StartStreaming();
    // Waits at most timeout_ms for a filled buffer; when several are filled, the newest is kept
    // and the rest handed back. On Frame, Requeue(frame) hands it back; false when the camera
    // is gone (a buffer the driver refuses is only one buffer fewer).
    V4l2Wait WaitNewest(int timeout_ms, V4l2Frame& frame);
    bool Requeue(const V4l2Frame& frame);
    // Stops the stream and releases the buffers; harmless when not streaming.
    void StopStreaming();
    bool IsLost() const { return m_bLost; }

private:
    struct Buffer {
        void* address = nullptr;
        size_t length = 0;
    };
    enum class Dequeue { Frame, None, Skipped, Lost };

    CV4l2Camera(IV4l2System& system, int fd, std::string path);
    bool QueryCapabilities();
    void ListSizes(uint32_t pixelFormat, std::vector<V4l2Mode>& modes);
    void ListIntervals(V4l2Mode& mode);
    bool MapBuffers(uint32_t count);
    void UnmapBuffers();
    Dequeue DequeueOne(V4l2Frame& frame);
    // An ioctl on this node; ENODEV marks the camera lost.
    int Ioctl(unsigned long request, void* arg);

    IV4l2System& m_system;
    const int m_fd;
    const std::string m_path;
    std::string m_card;
    std::string m_busInfo;
    std::vector<Buffer> m_buffers;
    size_t m_nFrameBytes = 0;  // the driver's sizeimage for the format set
    bool m_bStreaming = false;
    bool m_bLost = false;
};

// Four characters of a pixel format, for diagnostics ("YUYV").
std::string FourCcText(uint32_t pixelFormat);
