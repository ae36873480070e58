// The simulator tells, as debug output, when its scripted misbehaviour fires; the host warns of
// what it then sees, with the status.
#include <gtest/gtest.h>

#include "SimFilter.h"
#include "device/DeviceLog.h"
#include "device/VendorChannel.h"
#include "fakes/RecordingLogSink.h"
#include "fakes/TestVendorChannel.h"
#include "sim/SimLog.h"

namespace {

TEST(SimLogTest, AScriptedUnplugIsToldOnceAndTheHostWarnsOfTheStatusItGets) {
    CRecordingLogSink log;
    SimCameraConfig config;
    config.firmware.failFromCall = 3;  // the register read's second QuerySupported
    const auto camera = std::make_shared<CSimCamera>(config);
    CTestVendorChannel channel;
    channel.m_pCameraFilter = SimFilter(camera);
    BYTE value = 0;
    EXPECT_FALSE(channel.ReadRegister(0x740, value));
    EXPECT_FALSE(channel.ReadRegister(0x740, value));
    EXPECT_EQ(
        log.Count(kLogSim, LogLevel::Debug, {"unplugged as scripted at call 3", "0x8007048F"}), 1);
    EXPECT_EQ(log.Count(kLogDevice, LogLevel::Warning,
                        {"Get of property 2: QuerySupported returned 0x8007048F"}),
              1);
}

}  // namespace
