// The fixture of the registry tests: a temporary registry file and the calls the utility
// makes on its key.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/registry/Registry.h"
#include "support/TempRegistry.h"

class RegistryTest : public ::testing::Test {
protected:
    LSTATUS Open(HKEY& key, DWORD* disposition = nullptr) {
        return RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\PXV58R", 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, disposition);
    }
    // The 4-byte query every flag of the utility goes through.
    LSTATUS Query(HKEY key, const char* name, DWORD& value, DWORD* size, DWORD* type) {
        *size = sizeof value;
        return RegQueryValueEx(key, name, nullptr, type, reinterpret_cast<BYTE*>(&value), size);
    }
    LSTATUS Set(HKEY key, const char* name, DWORD value) {
        return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4);
    }

    CTempRegistry m_registry;
    std::string m_key = CTempRegistry::WithKey();
    HKEY m_hkey = nullptr;
    DWORD m_value = 0, m_size = 0, m_type = 0;
};
