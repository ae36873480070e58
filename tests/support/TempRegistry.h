// A registry file of the test's own, in a fresh temporary folder, named to the registry
// stand-in through its environment variable for the object's lifetime.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/TempDir.h"

class CTempRegistry {
public:
    static constexpr const char* kHeader = "Windows Registry Editor Version 5.00\n\n";
    static constexpr const char* kKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\n";

    // The file as the registry writes it with the utility's key holding these value lines.
    static std::string WithKey(const std::string& values = "") {
        return std::string(kHeader) + kKey + values;
    }

    CTempRegistry() { setenv("NITIDOR_REGISTRY_FILE", m_path.c_str(), 1); }
    ~CTempRegistry() { unsetenv("NITIDOR_REGISTRY_FILE"); }

    void Write(const std::string& text) const {
        std::filesystem::create_directories(m_path.parent_path());
        std::ofstream(m_path, std::ios::binary) << text;
    }
    std::string Read() const {
        std::ostringstream text;
        text << std::ifstream(m_path, std::ios::binary).rdbuf();
        return text.str();
    }

    const CTempDir m_dir;
    // In a folder not made yet, as on a first start.
    const std::filesystem::path m_path = m_dir.m_path / "sub" / "registry.reg";
};
