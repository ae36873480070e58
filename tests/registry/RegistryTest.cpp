#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry/Registry.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kKey = "SOFTWARE\\PXV58R";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "nitidor-reg-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        m_dir = pattern;
        m_file = (m_dir / "sub" / "registry.reg").string();
        setenv("NITIDOR_REGISTRY_FILE", m_file.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("NITIDOR_REGISTRY_FILE");
        fs::remove_all(m_dir);
    }

    void WriteFile(const std::string& text) {
        fs::create_directories(fs::path(m_file).parent_path());
        std::ofstream(m_file, std::ios::binary) << text;
    }
    std::string ReadFile() const {
        std::ifstream in(m_file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    LSTATUS Open(HKEY& key, DWORD* disposition = nullptr) {
        return RegCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, disposition);
    }
    // The 4-byte query every flag of the utility goes through.
    LSTATUS QueryFlag(HKEY key, const char* name, DWORD& value) {
        DWORD type = 0, size = sizeof value;
        return RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    }
    void SetFlag(HKEY key, const char* name, DWORD value) {
        ASSERT_EQ(RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
                  ERROR_SUCCESS);
    }

    fs::path m_dir;
    std::string m_file;
};

TEST_F(RegistryTest, OpeningCreatesTheKeyAsAnEmptySectionInNewFolders) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(Open(key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(ReadFile(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\n\n");
    DWORD value = 0;
    EXPECT_EQ(QueryFlag(key, "NoLoadFirmware", value), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    ASSERT_EQ(Open(key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, QueryFillsOnlyWhatFitsAndDoesNotLookAtTheType) {
    WriteFile(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\n"
        "\"EnhanceJPEG\"=dword:00000007\n"
        "\"Short\"=\"ab\"\n"
        "\"NoLoadFirmware\"=\"yes please\"\n"
        "\"Bytes\"=hex:02,00,00,00\n");
    HKEY key = nullptr;
    ASSERT_EQ(Open(key), ERROR_SUCCESS);
    DWORD value = 0;
    EXPECT_EQ(QueryFlag(key, "enhancejpeg", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(QueryFlag(key, "Bytes", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 2u);
    value = 0;
    EXPECT_EQ(QueryFlag(key, "Short", value), ERROR_SUCCESS);
    EXPECT_EQ(value, 0x006261u);  // "ab" and its final zero

    value = 0xDEADBEEF;
    DWORD type = 0, size = 4;
    EXPECT_EQ(RegQueryValueEx(key, "NoLoadFirmware", nullptr, &type,
                              reinterpret_cast<BYTE*>(&value), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(value, 0xDEADBEEFu);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, WritingKeepsEveryOtherKeyAndValueAndLeavesNoTemporaryFile) {
    WriteFile(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Elsewhere]\n"
        "\"Name\"=\"kept\"\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\n"
        "\"Cap10Bpp\"=hex(b):01,00,00,00,00,00,00,00\n"
        "\"EnhanceJPEG\"=dword:00000007\n");
    HKEY key = nullptr;
    ASSERT_EQ(Open(key), ERROR_SUCCESS);
    SetFlag(key, "EnhanceJPEG", 1);
    SetFlag(key, "NoDeviceCommand", 0);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Elsewhere]\n"
              "\"Name\"=\"kept\"\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\n"
              "\"Cap10Bpp\"=hex(b):01,00,00,00,00,00,00,00\n"
              "\"EnhanceJPEG\"=dword:00000001\n"
              "\"NoDeviceCommand\"=dword:00000000\n\n");
    size_t files = 0;
    for ([[maybe_unused]] auto& entry : fs::directory_iterator(fs::path(m_file).parent_path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST_F(RegistryTest, ACorruptFileIsNeverOverwritten) {
    const std::string corrupt = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X\n";
    WriteFile(corrupt);
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(Open(key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(ReadFile(), corrupt);

    // A key opened before the file went bad cannot write through it either.
    fs::remove(m_file);
    ASSERT_EQ(Open(key), ERROR_SUCCESS);
    WriteFile(corrupt);
    DWORD one = 1;
    EXPECT_EQ(RegSetValueEx(key, "Cap10Bpp", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadFile(), corrupt);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, AnUnwritableLocationFailsToOpen) {
    // A plain file where the folder should be stops even a privileged user.
    std::ofstream(m_dir / "sub") << "not a folder";
    HKEY key = nullptr;
    EXPECT_EQ(Open(key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(key, nullptr);
}

}  // namespace
