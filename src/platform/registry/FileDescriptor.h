// CFileDescriptor: owns a POSIX file descriptor and closes it when it goes.
#pragma once

#include <unistd.h>

#include <utility>

class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd = -1) : m_fd(fd) {}
    CFileDescriptor(CFileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    CFileDescriptor& operator=(CFileDescriptor&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    ~CFileDescriptor() {
        if (m_fd >= 0)
            close(m_fd);
    }
    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Closes now and reports whether the close succeeded, which is when written data counts.
    bool Close() { return close(std::exchange(m_fd, -1)) == 0; }

private:
    int m_fd;
};
