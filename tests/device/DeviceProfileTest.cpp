#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ComLeakCheck.h"
#include "device/DeviceProfile.h"
#include "fakes/ScriptedCamera.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kCapsAddress = 0x1000;
constexpr DWORD kTableAddress = 0x2000;

class DeviceProfileTest : public ComLeakCheck {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "nitidor-profile-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        m_dir = pattern;
        m_file = (m_dir / "registry.reg").string();
        setenv("NITIDOR_REGISTRY_FILE", m_file.c_str(), 1);
        // Capabilities first, then the table, each announced after one empty poll.
        m_camera.statuses = {{0, 0, 0}, CScriptedCamera::Ready(kCapsAddress, 4)};
        m_camera.filter->OnSet(VENDOR_PROPERTY_REQUEST_RESOLUTIONS, [this](const auto&) {
            m_camera.statuses = {{0, 0, 0}, CScriptedCamera::Ready(kTableAddress, m_tableLength)};
            return S_OK;
        });
    }
    void TearDown() override {
        unsetenv("NITIDOR_REGISTRY_FILE");
        fs::remove_all(m_dir);
    }
    void WriteRegistry(const std::string& values) {
        std::ofstream(m_file) << "Windows Registry Editor Version 5.00\n\n"
                                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\n"
                              << values;
    }
    std::string ReadRegistry() const {
        std::ifstream in(m_file);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The table as the device holds it at kTableAddress.
    static ResolutionEntry DeviceEntry(size_t index) {
        ResolutionTable table;
        for (size_t i = 0; i < table.bytes.size(); ++i)
            table.bytes[i] = MemoryByte(kTableAddress + i);
        return table.Entry(index);
    }

    fs::path m_dir;
    std::string m_file;
    CScriptedCamera m_camera;
    DWORD m_tableLength = 34;
};

TEST_F(DeviceProfileTest, LoadFromDeviceFetchesTheWordTheFlagsAndTheTable) {
    WriteRegistry("\"EnhanceJPEG\"=dword:00000007\n");
    CDeviceProfile profile;
    profile.m_bCap10Bpp = TRUE;  // cleared before the read; absent in the registry
    ASSERT_TRUE(profile.LoadFromDevice(m_camera.channel));
    EXPECT_EQ(profile.m_capabilities.m_capabilities,
              CScriptedCamera::Le32(
                  std::array<BYTE, 4>{MemoryByte(kCapsAddress), MemoryByte(kCapsAddress + 1),
                                      MemoryByte(kCapsAddress + 2), MemoryByte(kCapsAddress + 3)}
                      .data()));
    EXPECT_EQ(profile.m_bEnhanceJpeg, TRUE);
    EXPECT_EQ(profile.m_bCap10Bpp, FALSE);
    EXPECT_EQ(profile.m_resolutionTable.bytes[33], MemoryByte(kTableAddress + 33));

    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadRegistry(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\n"
              "\"EnhanceJPEG\"=dword:00000001\n"
              "\"Cap10Bpp\"=dword:00000000\n\n");
}

TEST_F(DeviceProfileTest, AShortTableFailsAndKeepsThePreviousOne) {
    CDeviceProfile profile;
    profile.m_resolutionTable.bytes[2] = 1;
    profile.m_resolutionTable.bytes[4] = 0x80;
    m_tableLength = 33;
    EXPECT_FALSE(profile.LoadFromDevice(m_camera.channel));
    ResolutionEntry entry;
    ASSERT_TRUE(profile.GetResolution(0, entry));
    EXPECT_EQ(entry.width, 0x80);
}

TEST_F(DeviceProfileTest, GetResolutionHonoursTheCountAndTheFiveEntries) {
    CDeviceProfile profile;
    ResolutionEntry entry{1, 2, 3};
    EXPECT_FALSE(profile.GetResolution(0, entry));  // count 0 before any connect
    EXPECT_EQ(entry, (ResolutionEntry{1, 2, 3}));

    ASSERT_TRUE(profile.LoadFromDevice(m_camera.channel));
    profile.m_resolutionTable.bytes[2] = 1;
    profile.m_resolutionTable.bytes[3] = 0;
    ASSERT_TRUE(profile.GetResolution(0, entry));
    EXPECT_EQ(entry, DeviceEntry(0));
    EXPECT_FALSE(profile.GetResolution(1, entry));

    profile.m_resolutionTable.bytes[2] = 7;
    EXPECT_TRUE(profile.GetResolution(4, entry));
    EXPECT_EQ(entry, DeviceEntry(4));
    EXPECT_FALSE(profile.GetResolution(5, entry));
    EXPECT_FALSE(profile.GetResolution(0xFFFFFFFF, entry));
}

TEST_F(DeviceProfileTest, SettingsReadAnyFourBytesAndKeepTheRestOfTheFile) {
    WriteRegistry(
        "\"EnhanceJPEG\"=\"on please\"\n"
        "\"Cap10Bpp\"=hex:02,00,00,00\n"
        "\"NoLoadFirmware\"=dword:00000001\n");
    CDeviceProfile profile;
    ASSERT_TRUE(profile.LoadSettings());
    EXPECT_EQ(profile.m_bEnhanceJpeg, FALSE);  // text longer than 4 bytes keeps the default
    EXPECT_EQ(profile.m_bCap10Bpp, TRUE);
    ASSERT_TRUE(profile.SaveSettings());
    EXPECT_EQ(ReadRegistry(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\PXV58R]\n"
              "\"EnhanceJPEG\"=dword:00000000\n"
              "\"Cap10Bpp\"=dword:00000001\n"
              "\"NoLoadFirmware\"=dword:00000001\n\n");
}

TEST_F(DeviceProfileTest, ACorruptRegistryIsLeftAloneAndSaveStillSucceeds) {
    const std::string corrupt = "Windows Registry Editor Version 5.00\n\"Loose\"=dword:1\n";
    std::ofstream(m_file) << corrupt;
    CDeviceProfile profile;
    profile.m_bEnhanceJpeg = TRUE;
    EXPECT_FALSE(profile.LoadSettings());
    EXPECT_EQ(profile.m_bEnhanceJpeg, TRUE);
    EXPECT_FALSE(profile.SaveSettings());
    EXPECT_TRUE(profile.Save());
    EXPECT_EQ(ReadRegistry(), corrupt);
}

}  // namespace
