// What the device layer logs when the camera fails: the status and what was being done, a
// failure that recurs at every poll once, and the numbers behind a refused download.
#include <gtest/gtest.h>

#include "device/DeviceCommands.h"
#include "device/DeviceLog.h"
#include "device/MailboxTransfer.h"
#include "fakes/RecordingLogSink.h"
#include "fakes/ScriptedCamera.h"
#include "support/LeakCheck.h"

namespace {

class DeviceLogTest : public LeakCheckedTest {
protected:
    int Warnings(std::initializer_list<std::string_view> parts) const {
        return m_log.Count(kLogDevice, LogLevel::Warning, parts);
    }

    CScriptedCamera m_camera;
    CRecordingLogSink m_log;
    DeviceStatus m_status;
};

TEST_F(DeviceLogTest, AFailedReadIsWarnedWithItsStatusOnceUntilAReadSucceeds) {
    ASSERT_TRUE(m_camera.channel.GetStatus(m_status));  // whatever failed before is forgotten
    m_camera.statusFails = TRUE;
    EXPECT_FALSE(m_camera.channel.GetStatus(m_status));
    EXPECT_FALSE(m_camera.channel.GetStatus(m_status));  // the focus read-out's next tick
    EXPECT_EQ(Warnings({"Get of property 34 failed: 0x80004005"}), 1);
    EXPECT_EQ(m_log.Count(kLogDevice, LogLevel::Debug, {"Get of property 34 failed"}), 1);

    m_camera.statusFails = FALSE;
    ASSERT_TRUE(m_camera.channel.GetStatus(m_status));
    m_camera.statusFails = TRUE;
    EXPECT_FALSE(m_camera.channel.GetStatus(m_status));
    EXPECT_EQ(Warnings({"Get of property 34 failed: 0x80004005"}), 2);
}

TEST_F(DeviceLogTest, ARefusedOrLateDownloadSaysWhatWasAnnouncedAndWhy) {
    std::unique_ptr<BYTE[]> block;
    LONG size = 0;
    m_camera.channel.m_nMaxBlockSize = 0x1000;
    m_camera.statuses = {CScriptedCamera::Ready(0x00400000, 0x1001)};
    EXPECT_FALSE(DownloadBlock(m_camera.channel, block, size, m_status, 30));
    EXPECT_EQ(Warnings({"download refused", "4097 bytes", "0x00400000", "limit of 4096"}), 1);

    m_camera.statuses = {DeviceStatus{}};
    EXPECT_FALSE(DownloadBlock(m_camera.channel, block, size, m_status, 30));
    EXPECT_EQ(Warnings({"mailbox: nothing posted within 30 ms"}), 1);
    m_camera.states = {0};
    EXPECT_FALSE(WaitForDeviceReady(m_camera.channel, 20));
    EXPECT_EQ(Warnings({"device not ready within 20 ms: the state reads 0"}), 1);
}

}  // namespace
