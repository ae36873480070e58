#include "platform/win/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

thread_local DWORD t_lastError = 0;

struct MutexHandle {
    int fd = -1;
};

bool IsUsableDirectory(const char* path) {
    struct stat st {};
    return path && *path && stat(path, &st) == 0 && S_ISDIR(st.st_mode) &&
           access(path, W_OK | X_OK) == 0;
}

// Names travel into a file name: anything that could leave the folder is refused.
bool IsValidName(const char* name) {
    if (!name || !*name)
        return false;
    for (const char* p = name; *p; ++p) {
        if (*p == '/' || *p == '\\')
            return false;
    }
    return true;
}

std::string LockPath(const char* name) {
    std::string dir = NamedMutexDirectory();
    // /tmp is shared by every user: keep one user's mutex from blocking another's.
    if (dir == "/tmp")
        return dir + "/nitidor-" + std::to_string(getuid()) + "-" + name + ".lock";
    return dir + "/nitidor-" + name + ".lock";
}

}  // namespace

const char* NamedMutexDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return IsUsableDirectory(runtime) ? runtime : "/tmp";
}

HANDLE CreateMutex(void* /*securityAttributes*/, BOOL /*initialOwner*/, const char* name) {
    if (!IsValidName(name)) {
        t_lastError = ERROR_INVALID_NAME;
        return nullptr;
    }
    // O_CLOEXEC: a child process must not inherit (and so keep alive) our ownership.
    const int fd = open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        t_lastError = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    // flock belongs to the open file description, so a second handle in this same process
    // sees the mutex as existing too, and the kernel drops the lock when the owner dies.
    t_lastError = 0;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        t_lastError = ERROR_ALREADY_EXISTS;
    return new MutexHandle{fd};
}

BOOL CloseHandle(HANDLE handle) {
    if (!handle)
        return FALSE;
    auto* mutex = static_cast<MutexHandle*>(handle);
    close(mutex->fd);  // drops the lock if this handle held it
    delete mutex;
    return TRUE;
}

DWORD GetLastError() {
    return t_lastError;
}
