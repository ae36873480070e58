// Every key path and value name either reads back exactly or is refused up front, so the
// writer never leaves a file its own parser rejects.
#include <map>
#include <random>

#include "RegistryFixture.h"
#include "platform/registry/RegistryFile.h"

namespace {

struct Names {
    const char* label;
    const char* subKey;
    const char* valueName;
};
void PrintTo(const Names& names, std::ostream* out) {
    *out << names.label;
}

class UnwritableNameTest : public RegistryTest, public ::testing::WithParamInterface<Names> {};

const Names kUnwritable[] = {
    {"LineFeedInValueName", "SOFTWARE\\PXV58R", "Cap\n10Bpp"},
    {"BracketAndLineFeedInKey", "SOFTWARE\\X]\n[HKEY_LOCAL_MACHINE\\Y", "Cap10Bpp"},
    {"CarriageReturnInValueName", "SOFTWARE\\PXV58R", "Cap10Bpp\r"},
    {"CarriageReturnInKey", "SOFTWARE\\PXV58R\r", "Cap10Bpp"},
    {"TabInValueName", "SOFTWARE\\PXV58R", "Cap\t10Bpp"},
    {"DeleteInKey", "SOFTWARE\\PXV\x7f", "Cap10Bpp"},
};

TEST_P(UnwritableNameTest, IsRefusedAndLeavesTheFileAsItWas) {
    m_registry.Write(m_key + "\"Kept\"=dword:00000001\n");
    const std::string before = m_registry.Read();
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyEx(HKEY_LOCAL_MACHINE, GetParam().subKey, 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status = Set(key, GetParam().valueName, 1);
        RegCloseKey(key);
    }
    EXPECT_EQ(status, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(m_registry.Read(), before);
    ASSERT_EQ(Open(m_hkey), ERROR_SUCCESS);
    EXPECT_EQ(Set(m_hkey, "After", 2), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(m_hkey), ERROR_SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(Names, UnwritableNameTest, ::testing::ValuesIn(kUnwritable),
                         ::testing::PrintToStringParamName());

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

TEST_F(RegistryTest, EveryAcceptedNameReadsBackWithItsData) {
    std::mt19937 random(20240611);
    const DWORD types[] = {REG_SZ, REG_DWORD, REG_BINARY, REG_NONE, 7};
    struct Stored {
        std::string subKey, name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::map<std::pair<std::string, std::string>, Stored> stored;
    for (int round = 0; round < 300; ++round) {
        const std::string subKey = "SOFTWARE\\" + RandomName(random);
        const std::string name = RandomName(random);
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
            continue;
        }
        ASSERT_EQ(created, ERROR_SUCCESS) << round;
        const LSTATUS set = RegSetValueEx(key, name.c_str(), 0, value.type, value.data.data(),
                                          static_cast<DWORD>(value.data.size()));
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        if (HasControlCharacter(name)) {
            EXPECT_EQ(set, ERROR_INVALID_PARAMETER) << round;
            continue;
        }
        ASSERT_EQ(set, ERROR_SUCCESS) << round;
        stored[{Folded(subKey), Folded(name)}] = value;
    }
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
