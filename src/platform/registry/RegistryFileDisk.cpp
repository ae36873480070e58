// Reading and writing the registry file on disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/log/LogRepeatFilter.h"
#include "platform/registry/FileDescriptor.h"
#include "platform/registry/RegistryFile.h"
#include "platform/registry/RegistryLog.h"

namespace {

// Every registry call reads the file afresh: a broken file is reported once, at the first
// read that finds it broken, and again only after a read that succeeded.
CLogRepeatFilter& LoadFailures() {
    static CLogRepeatFilter filter;
    return filter;
}

// `error` is the errno of the call that failed, or 0 when no call did.
CRegistryFile::LoadResult Unreadable(const std::string& path, const char* why, int error = 0) {
    LoadFailures().Log(kLogRegistry, LogLevel::Warning, "settings file %s not read: %s%s%s%s",
                       path.c_str(), why, error ? " (" : "", error ? std::strerror(error) : "",
                       error ? ")" : "");
    return CRegistryFile::LoadResult::Unreadable;
}

void LogWriteFailure(const std::string& path, const char* step, int error) {
    LogWarning(kLogRegistry, "settings file %s not written: %s failed: %s (errno %d)", path.c_str(),
               step, std::strerror(error), error);
}

// A new file beside `path` for this writer alone, named in `temp`. Created with mode 0666
// so that the umask decides, as for any new file; a rewrite sets the old mode afterwards.
CFileDescriptor CreateBeside(const std::string& path, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", static_cast<long>(getpid()),
                      counter.fetch_add(1));
        temp = path + suffix;
        CFileDescriptor fd(
            open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (fd.IsOpen() || errno != EEXIST)
            return fd;
    }
    return CFileDescriptor();
}

}  // namespace

CRegistryFile::LoadResult CRegistryFile::Load(const std::string& path) {
    *this = CRegistryFile();
    // Not blocking, so that opening a FIFO returns at once and the check below refuses it.
    const CFileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.IsOpen()) {
        if (errno == ENOENT) {
            LoadFailures().Reset();
            return LoadResult::Missing;
        }
        return Unreadable(path, "cannot be opened", errno);
    }
    // Only a regular file of a sane size: a device such as /dev/zero would be read for ever.
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0)
        return Unreadable(path, "cannot be examined", errno);
    if (!S_ISREG(st.st_mode))
        return Unreadable(path, "not a regular file");
    if (static_cast<uintmax_t>(st.st_size) > kMaxFileBytes)
        return Unreadable(path, "larger than 4 MiB");
    std::string text;
    text.reserve(static_cast<size_t>(st.st_size));
    char chunk[16384];
    for (;;) {
        const ssize_t n = read(fd.Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Unreadable(path, "read failed", errno);
        if (n == 0)
            break;
        text.append(chunk, static_cast<size_t>(n));
        if (text.size() > kMaxFileBytes)
            return Unreadable(path, "grew past 4 MiB while read");
    }
    ParseError error;
    auto parsed = Parse(text, &error);
    if (!parsed) {
        // Never rewritten while it stays so, which is why this is worth a warning.
        LoadFailures().Log(kLogRegistry, LogLevel::Warning,
                           "settings file %s cannot be parsed: line %zu: %s; it is left as it is",
                           path.c_str(), error.line, error.reason.c_str());
        return LoadResult::Unparseable;
    }
    LoadFailures().Reset();
    *this = std::move(*parsed);
    return LoadResult::Loaded;
}

std::string CRegistryFile::FollowLinks(const std::string& path) {
    std::string current = path;
    char target[4096];
    for (int hop = 0; hop < 40; ++hop) {  // a loop is left for open() to report
        struct stat st {};
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        const ssize_t n = readlink(current.c_str(), target, sizeof target);
        if (n <= 0 || static_cast<size_t>(n) == sizeof target)
            return current;
        const std::string_view next(target, static_cast<size_t>(n));
        const size_t slash = current.rfind('/');
        if (next.front() == '/' || slash == std::string::npos) {
            current = next;
        } else {
            current = current.substr(0, slash + 1).append(next);
        }
    }
    return current;
}

BOOL CRegistryFile::SaveAtomically(const std::string& path) const {
    const std::string text = Serialize();
    if (text.size() > kMaxFileBytes) {
        LogWarning(kLogRegistry, "settings file %s not written: the text would pass 4 MiB",
                   path.c_str());
        return FALSE;  // we could not read it back
    }
    // A link stays a link: its target is what gets replaced.
    const std::string target = FollowLinks(path);
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    std::string temp;
    CFileDescriptor fd = CreateBeside(target, temp);
    if (!fd.IsOpen()) {
        LogWriteFailure(target, "creating a file beside it", errno);
        return FALSE;
    }
    // The first step that fails, with its errno, for the log.
    const char* failed = nullptr;
    int error = 0;
    const auto check = [&](bool done, const char* step) {
        if (!done && !failed) {
            failed = step;
            error = errno;
        }
        return done;
    };
    bool ok = true;
    if (exists) {
        // Only a privileged writer can hand the file back to another owner; try regardless.
        if (existing.st_uid != geteuid() || existing.st_gid != getegid())
            (void)!fchown(fd.Get(), existing.st_uid, existing.st_gid);
        ok = check(fchmod(fd.Get(), existing.st_mode & 07777) == 0, "keeping its mode");
    }
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = write(fd.Get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = check(n > 0, "write");
        if (ok)
            done += static_cast<size_t>(n);
    }
    ok = ok && check(fsync(fd.Get()) == 0, "fsync");
    ok = check(fd.Close(), "close") && ok;
    ok = ok && check(std::rename(temp.c_str(), target.c_str()) == 0, "rename");
    if (!ok) {
        LogWriteFailure(target, failed, error);
        unlink(temp.c_str());
        return FALSE;
    }
    // Make the rename itself durable.
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const CFileDescriptor dirFd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.IsOpen())
        fsync(dirFd.Get());
    return TRUE;
}
