#include <gtest/gtest.h>

#include "device/BlockLimit.h"
#include "device/DeviceProfile.h"
#include "fakes/ScriptedCamera.h"
#include "support/LeakCheck.h"
#include "support/TempRegistry.h"

namespace {

constexpr DWORD kCapsAddress = 0x1000;
constexpr DWORD kTableAddress = 0x2000;

class DeviceProfileTest : public LeakCheckedTest {
protected:
    // Answers the capability request, then the table request with a table `length` long.
    BOOL Load(DWORD tableLength = 34) {
        m_camera.statuses = {CScriptedCamera::Ready(kCapsAddress, 4),
                             CScriptedCamera::Ready(kTableAddress, tableLength)};
        return m_profile.LoadFromDevice(m_camera.channel, 30);
    }

    CTempRegistry m_registry;
    CScriptedCamera m_camera;
    CDeviceProfile m_profile;
};

TEST_F(DeviceProfileTest, FlagsAreReadAsAnyFourBytesAndSavedAsDwordsKeepingTheRest) {
    const struct {
        const char* values;
        BOOL enhance, cap10;
        const char* saved;
    } cases[] = {
        // Cap10Bpp is cleared before the read; absent, it is created as 0.
        {.values = "\"EnhanceJPEG\"=dword:00000007\n",
         .enhance = TRUE,
         .cap10 = FALSE,
         .saved = "\"EnhanceJPEG\"=dword:00000001\n\"Cap10Bpp\"=dword:00000000\n\n"},
        // Text longer than 4 bytes keeps the default; any 4 bytes count.
        {.values = "\"EnhanceJPEG\"=\"on please\"\n\"Cap10Bpp\"=hex:02,00,00,00\n"
                   "\"NoLoadFirmware\"=dword:00000001\n",
         .enhance = FALSE,
         .cap10 = TRUE,
         .saved = "\"EnhanceJPEG\"=dword:00000000\n\"Cap10Bpp\"=dword:00000001\n"
                  "\"NoLoadFirmware\"=dword:00000001\n\n"},
    };
    DWORD word = 0;  // the capability word as device memory holds it, little-endian
    for (DWORD i = 4; i-- > 0;)
        word = word << 8 | MemoryByte(kCapsAddress + i);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.values);
        m_registry.Write(CTempRegistry::WithKey(c.values));
        m_profile.m_bCap10Bpp = TRUE;
        ASSERT_TRUE(Load());
        EXPECT_EQ(m_profile.m_capabilities.m_capabilities, word);
        EXPECT_EQ(m_profile.m_bEnhanceJpeg, c.enhance);
        EXPECT_EQ(m_profile.m_bCap10Bpp, c.cap10);
        ASSERT_TRUE(m_profile.Save());
        EXPECT_EQ(m_registry.Read(), CTempRegistry::WithKey(c.saved));
    }
}

TEST_F(DeviceProfileTest, FlagsNotReadThisRunAreLeftAsStoredUntilAReadSucceeds) {
    const std::string stored =
        CTempRegistry::WithKey("\"EnhanceJPEG\"=dword:00000001\n\"Cap10Bpp\"=dword:00000001\n\n");
    EXPECT_TRUE(m_profile.Save());  // no connect, nothing stored: nothing is created
    EXPECT_FALSE(std::filesystem::exists(m_registry.m_path));
    m_registry.Write(stored);
    EXPECT_TRUE(m_profile.Save());
    EXPECT_EQ(m_registry.Read(), stored);

    // Once a read has succeeded the flags are this run's, and they are written back.
    ASSERT_TRUE(m_profile.LoadSettings());
    m_profile.m_bCap10Bpp = FALSE;
    EXPECT_TRUE(m_profile.Save());
    EXPECT_EQ(m_registry.Read(), CTempRegistry::WithKey("\"EnhanceJPEG\"=dword:00000001\n"
                                                        "\"Cap10Bpp\"=dword:00000000\n\n"));
}

TEST_F(DeviceProfileTest, ACorruptRegistryIsLeftAloneAndSaveStillSucceeds) {
    const std::string corrupt = "Windows Registry Editor Version 5.00\n\"Loose\"=dword:1\n";
    m_registry.Write(corrupt);
    m_profile.m_bEnhanceJpeg = TRUE;
    EXPECT_FALSE(m_profile.LoadSettings());
    EXPECT_EQ(m_profile.m_bEnhanceJpeg, TRUE);
    EXPECT_FALSE(m_profile.SaveSettings());
    EXPECT_TRUE(m_profile.Save());
    EXPECT_EQ(m_registry.Read(), corrupt);
}

TEST_F(DeviceProfileTest, GetResolutionHonoursTheCountAndTheFiveEntries) {
    ResolutionEntry entry{1, 2, 3};
    EXPECT_FALSE(m_profile.GetResolution(0, entry));  // count 0 before any connect
    EXPECT_EQ(entry, (ResolutionEntry{1, 2, 3}));

    ASSERT_TRUE(Load());
    ResolutionTable& table = m_profile.m_resolutionTable;
    EXPECT_EQ(table.bytes[33], MemoryByte(kTableAddress + 33));
    table.bytes[2] = 1;
    table.bytes[3] = 0;
    ASSERT_TRUE(m_profile.GetResolution(0, entry));
    EXPECT_EQ(entry, table.Entry(0));
    EXPECT_FALSE(m_profile.GetResolution(1, entry));
    table.bytes[2] = 7;
    ASSERT_TRUE(m_profile.GetResolution(4, entry));
    EXPECT_EQ(entry, table.Entry(4));
    EXPECT_FALSE(m_profile.GetResolution(5, entry));
    EXPECT_FALSE(m_profile.GetResolution(0xFFFFFFFF, entry));

    // A short table on the next connect fails and keeps this one.
    EXPECT_FALSE(Load(33));
    EXPECT_EQ(table.bytes[2], 7);
}

TEST_F(DeviceProfileTest, TheTableItKeepsBoundsTheConnectedCamerasDownloads) {
    const DWORD limit640 = 4 * 640 * 480 + 0x10000;
    EXPECT_EQ(m_camera.channel.m_nMaxBlockSize, kUnknownCameraBlockLimit);
    m_camera.block = {0, 0, 1, 0, 0x80, 0x02, 0xE0, 0x01};  // one entry, 640 x 480
    m_camera.block.resize(34);
    m_camera.statuses = {CScriptedCamera::Ready(kCapsAddress, 4),
                         CScriptedCamera::Ready(CScriptedCamera::kBlockAddress, 34)};
    ASSERT_TRUE(m_profile.LoadFromDevice(m_camera.channel, 30));
    EXPECT_EQ(m_camera.channel.m_nMaxBlockSize, limit640);

    // The next camera never posts its table: the one kept, which the JPEG flow will use,
    // bounds its downloads too.
    CScriptedCamera next;
    next.statuses = {CScriptedCamera::Ready(kCapsAddress, 4), {}};
    EXPECT_FALSE(m_profile.LoadFromDevice(next.channel, 30));
    EXPECT_EQ(next.channel.m_nMaxBlockSize, limit640);
}

}  // namespace
