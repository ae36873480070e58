#include <gtest/gtest.h>

#include "ComLeakCheck.h"
#include "device/DeviceCommands.h"
#include "fakes/ScriptedCamera.h"

namespace {

using Bytes = std::vector<BYTE>;

class DeviceCommandsTest : public ComLeakCheck {
protected:
    CScriptedCamera m_camera;
};

TEST_F(DeviceCommandsTest, FirmwareIsBitFiveOfRegister0x740) {
    const std::pair<BYTE, BOOL> cases[] = {
        {0x20, TRUE}, {0xFF, TRUE}, {0x00, FALSE}, {0xDF, FALSE}};
    for (auto [value, present] : cases) {
        m_camera.firmwareRegister = value;
        EXPECT_EQ(CheckFirmware(m_camera.channel), present) << int(value);
    }
    // A camera that does not answer is taken as one without firmware.
    m_camera.firmwareRegister = 0xFF;
    m_camera.filter->OnGet(VENDOR_PROPERTY_REGISTER_VALUE,
                           [](BYTE* data, DWORD, DWORD*) { return *data = 0xFF, E_FAIL; });
    EXPECT_FALSE(CheckFirmware(m_camera.channel));
}

TEST_F(DeviceCommandsTest, ACommandIsOneMailboxWriteThenTheCommandWord) {
    EXPECT_TRUE(SendDeviceCommand(m_camera.channel, 'A'));
    const auto calls = m_camera.filter->Transfers();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].id, 34u);
    EXPECT_EQ(calls[0].kind, CFakePropertySet::Kind::Set);
    EXPECT_EQ(calls[0].bytes, Bytes(12, 0));
    EXPECT_EQ(calls[1].id, 66u);
    EXPECT_EQ(calls[1].bytes, (Bytes{0x41, 0x00, 0x00, 0x00}));
}

TEST_F(DeviceCommandsTest, TheResultIsTheCommandsNotTheMailboxWrites) {
    m_camera.filter->OnSet(VENDOR_PROPERTY_STATUS, [](const Bytes&) { return E_FAIL; });
    EXPECT_TRUE(SendDeviceCommand(m_camera.channel, 'B'));
    EXPECT_EQ(m_camera.TransfersOf(66).back().bytes, (Bytes{0x42, 0, 0, 0}));
    m_camera.filter->OnSet(VENDOR_PROPERTY_COMMAND, [](const Bytes&) { return S_FALSE; });
    EXPECT_FALSE(SendDeviceCommand(m_camera.channel, 'B'));
}

TEST_F(DeviceCommandsTest, ReadyWaitNeedsExactlyOneAndEndsAtTheBound) {
    m_camera.states = {0u, std::nullopt, 2u, 0x101u, 1u};
    EXPECT_TRUE(WaitForDeviceReady(m_camera.channel, 5000));
    EXPECT_EQ(m_camera.TransfersOf(VENDOR_PROPERTY_DEVICE_STATE).size(), 5u);

    m_camera.states = {0u};
    EXPECT_FALSE(WaitForDeviceReady(m_camera.channel, 30));
    // Paced at 10 ms: a 30 ms bound allows a handful of reads, not a busy loop.
    EXPECT_LE(m_camera.TransfersOf(VENDOR_PROPERTY_DEVICE_STATE).size(), 5u + 5u);
}

}  // namespace
