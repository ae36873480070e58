// A fresh folder of the test's own, removed with all it holds when the object goes; made the
// working directory meanwhile when asked (for code that writes beside itself, as "Temp.jpg").
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

class CTempDir {
public:
    enum Mode { kStay, kEnter };

    explicit CTempDir(Mode mode = kStay) : m_path(Make()) {
        if (mode == kEnter) {
            m_oldCwd = std::filesystem::current_path();
            std::filesystem::current_path(m_path);
        }
    }
    ~CTempDir() {
        if (!m_oldCwd.empty())
            std::filesystem::current_path(m_oldCwd);
        std::filesystem::remove_all(m_path);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::filesystem::path m_path;

private:
    static std::filesystem::path Make() {
        std::string dir = (std::filesystem::temp_directory_path() / "nitidor-test-XXXXXX").string();
        if (!mkdtemp(dir.data()))
            throw std::system_error(errno, std::generic_category(), "mkdtemp");
        return dir;
    }

    std::filesystem::path m_oldCwd;
};
