#include "v4l2/V4l2System.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <cerrno>

namespace {

class CKernelV4l2System final : public IV4l2System {
public:
    int Open(const char* path, int flags) override {
        const int fd = ::open(path, flags);
        return fd >= 0 ? fd : -errno;
    }
    void Close(int fd) override { ::close(fd); }
    int Ioctl(int fd, unsigned long request, void* arg) override {
        // A signal during a call that waits is not a failure of the device.
        for (;;) {
            if (::ioctl(fd, request, arg) == 0)
                return 0;
            if (errno != EINTR)
                return errno;
        }
    }
    void* Mmap(size_t length, int fd, off_t offset, int& error) override {
        void* address = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
        if (address == MAP_FAILED) {
            error = errno;
            return nullptr;
        }
        return address;
    }
    void Munmap(void* address, size_t length) override { ::munmap(address, length); }
    int Poll(int fd, short events, int timeout_ms, short& revents) override {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, timeout_ms);
        if (n < 0)
            return -errno;
        revents = p.revents;
        return n;
    }
};

}  // namespace

IV4l2System& V4l2SystemCalls() {
    static CKernelV4l2System calls;
    return calls;
}
