#include "platform/registry/RegistryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/log/Log.h"
#include "platform/registry/RegistryLog.h"

CRegistryLock::CRegistryLock(const std::string& file) {
    const std::string path = file + ".lock";
    // Read-only is enough for flock, so whoever may read the settings may take turns.
    CFileDescriptor fd(open(
        path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666));
    if (!fd.IsOpen()) {
        LogWarning(kLogRegistry, "lock file %s not opened: %s", path.c_str(), std::strerror(errno));
        return;
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        LogWarning(kLogRegistry, "lock file %s is not a regular file", path.c_str());
        return;
    }
    while (flock(fd.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            LogWarning(kLogRegistry, "lock file %s not locked: %s", path.c_str(),
                       std::strerror(errno));
            return;
        }
    }
    m_fd = std::move(fd);
}
