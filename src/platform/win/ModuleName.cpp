#include "platform/win/ModuleName.h"

#include <unistd.h>

#include <climits>

namespace {
std::string WithoutExtension(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    const auto dot = name.find_last_of('.');
    // A leading dot marks a hidden file, not an extension.
    if (dot != std::string::npos && dot != 0)
        name.erase(dot);
    return name;
}
}  // namespace

std::string GetModuleBaseName() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
        return "nitidor";
    path[n] = '\0';
    return WithoutExtension(path);
}
