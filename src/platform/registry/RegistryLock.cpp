#include "platform/registry/RegistryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

CRegistryLock::CRegistryLock(const std::string& file) {
    const std::string path = file + ".lock";
    // Read-only is enough for flock, so whoever may read the settings may take turns.
    CFileDescriptor fd(open(
        path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666));
    struct stat st {};
    if (!fd.IsOpen() || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    while (flock(fd.Get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return;
    }
    m_fd = std::move(fd);
}
