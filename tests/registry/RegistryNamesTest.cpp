// Every key path and value name either reads back exactly or is refused up front, so the
// writer never leaves a file its own parser rejects.
#include <map>
#include <random>

#include "RegistryFixture.h"
#include "platform/registry/RegistryFile.h"

namespace {

// Names that would break the file's lines or its sections, tried before the random ones.
const std::pair<const char*, const char*> kUnwritable[] = {
    {"SOFTWARE\\PXV58R", "Cap\n10Bpp"}, {"SOFTWARE\\X]\n[HKEY_LOCAL_MACHINE\\Y", "Cap10Bpp"},
    {"SOFTWARE\\PXV58R", "Cap10Bpp\r"}, {"SOFTWARE\\PXV58R\r", "Cap10Bpp"},
    {"SOFTWARE\\PXV58R", "Cap\t10Bpp"}, {"SOFTWARE\\PXV\x7f", "Cap10Bpp"},
};

// A name of up to 8 bytes, mostly the export format's own punctuation.
std::string RandomName(std::mt19937& random) {
    static const std::string kTricky = "\\\"[]@=;,:- \x01\n\r\t\x7f\xc3\xa9\xff";
    std::string name(random() % 9, ' ');
    for (char& c : name) {
        c = random() % 2 ? kTricky[random() % kTricky.size()]
                         : static_cast<char>(1 + random() % 255);
    }
    return name;
}

bool HasControlCharacter(std::string_view name) {
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

std::string Folded(std::string s) {
    for (char& c : s)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
}

TEST_F(RegistryTest, EveryAcceptedNameReadsBackWithItsDataAndEveryOtherLeavesTheFile) {
    std::mt19937 random(20240611);
    const DWORD types[] = {REG_SZ, REG_DWORD, REG_BINARY, REG_NONE, 7};
    struct Stored {
        std::string subKey, name;
        DWORD type;
        std::vector<BYTE> data;
    };
    m_registry.Write(m_key + "\"Kept\"=dword:00000001\n");
    std::map<std::pair<std::string, std::string>, Stored> stored{
        {{"software\\pxv58r", "kept"}, {"SOFTWARE\\PXV58R", "Kept", REG_DWORD, {1, 0, 0, 0}}}};
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        const bool bFixed = round < int(std::size(kUnwritable));
        const std::string subKey =
            bFixed ? kUnwritable[round].first : "SOFTWARE\\" + RandomName(random);
        const std::string name = bFixed ? kUnwritable[round].second : RandomName(random);
        Stored value{subKey, name, types[random() % 5], std::vector<BYTE>(random() % 7)};
        for (BYTE& b : value.data)
            b = static_cast<BYTE>(random() % 3 ? 0x20 + random() % 0x60 : random() % 256);
        const std::string before = m_registry.Read();

        HKEY key = nullptr;
        const LSTATUS created = RegCreateKeyEx(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0,
                                               KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (HasControlCharacter(subKey)) {
            EXPECT_EQ(created, ERROR_INVALID_PARAMETER) << round;
            EXPECT_EQ(m_registry.Read(), before) << round;
            ++refused;
            continue;
        }
        ASSERT_EQ(created, ERROR_SUCCESS) << round;
        const std::string withKey = m_registry.Read();
        const LSTATUS set = RegSetValueEx(key, name.c_str(), 0, value.type, value.data.data(),
                                          static_cast<DWORD>(value.data.size()));
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        if (HasControlCharacter(name)) {
            EXPECT_EQ(set, ERROR_INVALID_PARAMETER) << round;
            EXPECT_EQ(m_registry.Read(), withKey) << round;
            ++refused;
            continue;
        }
        ASSERT_EQ(set, ERROR_SUCCESS) << round;
        stored[{Folded(subKey), Folded(name)}] = value;
    }
    EXPECT_GT(refused, int(std::size(kUnwritable)));
    ASSERT_TRUE(CRegistryFile::Parse(m_registry.Read())) << m_registry.Read();
    for (const auto& [where, value] : stored) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, value.subKey.c_str(), 0, nullptr, 0, KEY_READ,
                                 nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        DWORD type = 0, size = 64;
        std::vector<BYTE> data(size);
        EXPECT_EQ(RegQueryValueEx(key, value.name.c_str(), nullptr, &type, data.data(), &size),
                  ERROR_SUCCESS);
        data.resize(size);
        EXPECT_EQ(type, value.type) << value.subKey << " / " << value.name;
        EXPECT_EQ(data, value.data) << value.subKey << " / " << value.name;
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
}

}  // namespace
