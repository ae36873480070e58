// What the harnesses share: a check that stops the run, and a private folder for the files a
// harness writes, removed when the fuzzer ends.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline void Check(bool holds) {
    if (!holds)
        std::abort();
}

// In memory where /dev/shm can be written: millions of runs each rewrite a file there.
inline std::string MakePrivateFolder(const char* name) {
    const std::filesystem::path base = access("/dev/shm", W_OK) == 0
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    static std::string folder;
    folder = (base / (std::string(name) + "-XXXXXX")).string();
    Check(mkdtemp(folder.data()) != nullptr);
    std::atexit([] { std::filesystem::remove_all(folder); });
    return folder;
}
