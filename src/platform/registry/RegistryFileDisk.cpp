// Reading and writing the registry file on disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/registry/FileDescriptor.h"
#include "platform/registry/RegistryFile.h"

CRegistryFile::LoadResult CRegistryFile::Load(const std::string& path) {
    *this = CRegistryFile();
    // Not blocking, so that opening a FIFO returns at once and the check below refuses it.
    const CFileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.IsOpen())
        return errno == ENOENT ? LoadResult::Missing : LoadResult::Unreadable;
    // Only a regular file of a sane size: a device such as /dev/zero would be read for ever.
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uintmax_t>(st.st_size) > kMaxFileBytes) {
        return LoadResult::Unreadable;
    }
    std::string text;
    text.reserve(static_cast<size_t>(st.st_size));
    char chunk[16384];
    for (;;) {
        const ssize_t n = read(fd.Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return LoadResult::Unreadable;
        if (n == 0)
            break;
        text.append(chunk, static_cast<size_t>(n));
        if (text.size() > kMaxFileBytes)
            return LoadResult::Unreadable;  // it grew while we read
    }
    auto parsed = Parse(text);
    if (!parsed)
        return LoadResult::Unparseable;
    *this = std::move(*parsed);
    return LoadResult::Loaded;
}

BOOL CRegistryFile::SaveAtomically(const std::string& path) const {
    const std::string text = Serialize();
    if (text.size() > kMaxFileBytes)
        return FALSE;  // we could not read it back
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return FALSE;
    fchmod(fd, 0644);
    bool ok = true;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return FALSE;
    }
    // Make the rename itself durable.
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return TRUE;
}
