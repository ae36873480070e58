// A registry file of the test's own, in a fresh temporary folder, named to the registry
// stand-in through its environment variable for the object's lifetime.
#pragma once

#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class CTempRegistry {
public:
    static constexpr const char* kHeader = "Windows Registry Editor Version 5.00\n\n";
    static constexpr const char* kKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\n";

    CTempRegistry() {
        std::string dir = (std::filesystem::temp_directory_path() / "nitidor-reg-XXXXXX").string();
        if (!mkdtemp(dir.data()))
            std::abort();
        m_dir = dir;
        m_path = m_dir / "sub" / "registry.reg";  // in a folder not made yet
        setenv("NITIDOR_REGISTRY_FILE", m_path.c_str(), 1);
    }
    ~CTempRegistry() {
        unsetenv("NITIDOR_REGISTRY_FILE");
        std::filesystem::remove_all(m_dir);
    }
    void Write(const std::string& text) const {
        std::filesystem::create_directories(m_path.parent_path());
        std::ofstream(m_path, std::ios::binary) << text;
    }
    std::string Read() const {
        std::ostringstream text;
        text << std::ifstream(m_path, std::ios::binary).rdbuf();
        return text.str();
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_path;
};
