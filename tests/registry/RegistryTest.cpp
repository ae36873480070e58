#include <gtest/gtest.h>

#include <set>

#include "RegistryFixture.h"

namespace {

namespace fs = std::filesystem;

TEST_F(RegistryTest, OpeningCreatesTheKeyAsAnEmptySectionInNewFolders) {
    DWORD disposition = 0;
    ASSERT_EQ(Open(m_hkey, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(m_registry.Read(), m_key + "\n");
    EXPECT_EQ(Query(m_hkey, "NoLoadFirmware", m_value, &m_size, &m_type), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(m_hkey), ERROR_INVALID_HANDLE);
    ASSERT_EQ(Open(m_hkey, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);
}

TEST_F(RegistryTest, QueryFillsOnlyWhatFitsWhateverTheType) {
    m_registry.Write(m_key +
                     "\"EnhanceJPEG\"=dword:00000007\n\"Short\"=\"ab\"\n"
                     "\"Long\"=\"yes please\"\n\"Bytes\"=hex:02,00,00,00\n");
    ASSERT_EQ(Open(m_hkey), ERROR_SUCCESS);
    const std::tuple<const char*, DWORD, DWORD> fits[] = {
        {"enhancejpeg", 7, REG_DWORD}, {"Bytes", 2, REG_BINARY}, {"Short", 0x006261, REG_SZ}};
    for (auto [name, value, type] : fits) {
        m_value = 0;
        EXPECT_EQ(Query(m_hkey, name, m_value, &m_size, &m_type), ERROR_SUCCESS) << name;
        EXPECT_EQ(m_value, value) << name;  // "ab" comes with its final zero
        EXPECT_EQ(m_type, type) << name;
    }
    m_value = 0xDEADBEEF;
    EXPECT_EQ(Query(m_hkey, "Long", m_value, &m_size, &m_type), ERROR_MORE_DATA);
    EXPECT_EQ(m_value, 0xDEADBEEFu);
    EXPECT_EQ(m_size, 11u);
    EXPECT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);
}

TEST_F(RegistryTest, WritingKeepsEveryOtherKeyAndValueAndLeavesNoTemporaryFile) {
    const std::string other = std::string(CTempRegistry::kHeader) +
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Elsewhere]\n\"Name\"=\"kept\"\n\n" +
                              CTempRegistry::kKey + "\"Cap10Bpp\"=hex(b):01,00,00,00,00,00,00,00\n";
    m_registry.Write(other + "\"EnhanceJPEG\"=dword:00000007\n");
    ASSERT_EQ(Open(m_hkey), ERROR_SUCCESS);
    EXPECT_EQ(Set(m_hkey, "EnhanceJPEG", 1), ERROR_SUCCESS);
    EXPECT_EQ(Set(m_hkey, "NoDeviceCommand", 0), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);
    EXPECT_EQ(m_registry.Read(),
              other + "\"EnhanceJPEG\"=dword:00000001\n\"NoDeviceCommand\"=dword:00000000\n\n");
    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(m_registry.m_path.parent_path()))
        files.insert(entry.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"registry.reg", "registry.reg.lock"}));
}

TEST_F(RegistryTest, ACorruptFileIsNeverOverwrittenAndAnUnwritableFolderFailsToOpen) {
    const std::string corrupt = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X\n";
    m_registry.Write(corrupt);
    m_hkey = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(Open(m_hkey), ERROR_ACCESS_DENIED);
    EXPECT_EQ(m_hkey, nullptr);
    // A key opened before the file went bad cannot write through it either.
    fs::remove(m_registry.m_path);
    ASSERT_EQ(Open(m_hkey), ERROR_SUCCESS);
    m_registry.Write(corrupt);
    EXPECT_EQ(Set(m_hkey, "Cap10Bpp", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(m_registry.Read(), corrupt);
    EXPECT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);

    // A plain file where the folder should be stops even a privileged user.
    fs::remove_all(m_registry.m_path.parent_path());
    std::ofstream(m_registry.m_path.parent_path()) << "not a folder";
    EXPECT_EQ(Open(m_hkey), ERROR_ACCESS_DENIED);
}

}  // namespace
