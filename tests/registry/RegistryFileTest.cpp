#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "platform/registry/RegistryFile.h"

namespace {

TEST(RegistryFileTest, ParsesEveryValueFormAndWritesItBackUnchanged) {
    const std::string text =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\n"
        "\"NoLoadFirmware\"=dword:00000001\n"
        "\"Path\"=\"C:\\\\temp \\\"x\\\"\"\n"
        "@=\"default\"\n"
        "\"Blob\"=hex:01,ab,\\\n"
        "  ff\n"
        "\"Multi\"=hex(7):61,00,00,00\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n";
    auto file = CRegistryFile::Parse(text);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->m_keys.size(), 2u);
    auto& values = file->m_keys[0].values;
    ASSERT_EQ(values.size(), 5u);
    EXPECT_EQ(values[0].type, REG_DWORD);
    EXPECT_EQ(values[0].data, (std::vector<BYTE>{1, 0, 0, 0}));
    EXPECT_EQ(values[1].type, REG_SZ);
    const std::string path(values[1].data.begin(), values[1].data.end());
    EXPECT_EQ(path, std::string("C:\\temp \"x\"\0", 12));
    EXPECT_EQ(values[2].name, "");
    EXPECT_EQ(values[3].type, REG_BINARY);
    EXPECT_EQ(values[3].data, (std::vector<BYTE>{0x01, 0xAB, 0xFF}));
    EXPECT_EQ(values[4].type, 7u);
    EXPECT_TRUE(file->m_keys[1].values.empty());

    auto again = CRegistryFile::Parse(file->Serialize());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Serialize(), file->Serialize());
    EXPECT_EQ(again->m_keys[0].values[1].data, values[1].data);
}

TEST(RegistryFileTest, WrapsLongBinaryValuesAndReadsThemBack) {
    CRegistryFile file;
    auto& key = file.AddKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R");
    std::vector<BYTE> data(200);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(i * 7);
    key.values.push_back({"Big", REG_BINARY, data});
    // A REG_SZ without its final zero cannot be written as text without changing it.
    key.values.push_back({"Raw", REG_SZ, {'a', 'b'}});
    const std::string text = file.Serialize();
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        EXPECT_LE(end - start, 80u);
    }
    auto back = CRegistryFile::Parse(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->m_keys[0].values[0].data, data);
    EXPECT_EQ(back->m_keys[0].values[1].type, REG_SZ);
    EXPECT_EQ(back->m_keys[0].values[1].data, (std::vector<BYTE>{'a', 'b'}));
}

TEST(RegistryFileTest, RefusesWhatItDoesNotFullyUnderstand) {
    const char* const bad[] = {
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n",
        "Windows Registry Editor Version 5.00\n\"Orphan\"=dword:1\n",
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"X\"=dword:123456789\n",
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"X\"=dword:xyz\n",
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"X\"=-\n",
        "Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE\\A]\n",
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"X\"=hex:1,2\n",
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"X\"=\"open\n",
        "Windows Registry Editor Version "
        "5.00\n[HKEY_LOCAL_MACHINE\\A]\n\"X\"=dword:1\n\"x\"=dword:2\n",
        "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\A\n",
        "garbage",
    };
    for (const char* text : bad)
        EXPECT_FALSE(CRegistryFile::Parse(text)) << text;
    EXPECT_TRUE(CRegistryFile::Parse(""));
}

}  // namespace
