// IV4l2System: the system calls the V4L2 backend makes, and nothing else, so that tests can put
// a scripted kernel behind them. Each reports failure as the error number itself (positive)
// rather than through errno, so nothing is lost between the call and the look at it.
#pragma once

#include <sys/types.h>
#include <cstddef>
#include <cstdint>

class IV4l2System {
public:
    virtual ~IV4l2System() = default;
    // A descriptor (>= 0) or -errno.
    virtual int Open(const char* path, int flags) = 0;
    virtual void Close(int fd) = 0;
    // 0 or errno.
    virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
    // The mapping, or null with `error` set.
    virtual void* Mmap(size_t length, int fd, off_t offset, int& error) = 0;
    virtual void Munmap(void* address, size_t length) = 0;
    // > 0 with `revents` when the descriptor is ready, 0 after timeout_ms, or -errno.
    virtual int Poll(int fd, short events, int timeout_ms, short& revents) = 0;
};

// The kernel's own calls (or whatever the dynamic linker put before them, such as PipeWire's
// compatibility layer).
IV4l2System& V4l2SystemCalls();
