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
    ASSERT_EQ(file->Keys().size(), 2u);
    const auto& values = file->Keys()[0].values;
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
    EXPECT_TRUE(file->Keys()[1].values.empty());

    auto again = CRegistryFile::Parse(file->Serialize());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Serialize(), file->Serialize());
    EXPECT_EQ(again->Keys()[0].values[1].data, values[1].data);
}

TEST(RegistryFileTest, CommentsNeverContinueAndAreWrittenBackWhereTheyWere) {
    const std::string text =
        "; leading note\r\n"
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "; about the file\n"
        "\n"
        "; about A\n"
        "[HKEY_LOCAL_MACHINE\\A]\n"
        "; default folder C:\\\n"
        "\"Important\"=dword:00000001\n"
        "  ; indented \\\r\n"
        "\"Blob\"=hex:01,\\\n"
        "  02\n"
        "; end of A\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\B]\n"
        "; last words \\";
    const std::string written =
        "; leading note\n"
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "; about the file\n"
        "\n"
        "; about A\n"
        "[HKEY_LOCAL_MACHINE\\A]\n"
        "; default folder C:\\\n"
        "\"Important\"=dword:00000001\n"
        "  ; indented \\\n"
        "\"Blob\"=hex:01,02\n"
        "; end of A\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\B]\n"
        "; last words \\\n"
        "\n";
    auto file = CRegistryFile::Parse(text);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->Keys().size(), 2u);
    ASSERT_EQ(file->Keys()[0].values.size(), 2u);
    EXPECT_EQ(file->Keys()[0].values[0].name, "Important");
    EXPECT_EQ(file->Keys()[0].values[1].data, (std::vector<BYTE>{1, 2}));
    EXPECT_EQ(file->Serialize(), written);
    auto again = CRegistryFile::Parse(written);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Serialize(), written);
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
