// The simulator driven through the camera control channel: the device side's coding of the
// wire records must agree with the simulator's.
#include <gtest/gtest.h>

#include "SimFilter.h"
#include "device/DeviceCommands.h"
#include "device/DeviceLog.h"
#include "device/DeviceProfile.h"
#include "device/MailboxTransfer.h"
#include "fakes/RecordingLogSink.h"
#include "fakes/TestVendorChannel.h"
#include "sim/SimLog.h"
#include "support/LeakCheck.h"
#include "support/TempRegistry.h"

namespace {

// Time that moves on every time the firmware looks, so polling loops make progress without a
// test ever sleeping for the camera.
class CSteppingClock : public ISimClock {
public:
    int64_t Now_ms() const override { return m_now_ms += 25; }
    void Sleep_us(int64_t) override {}

private:
    mutable std::atomic<int64_t> m_now_ms{0};
};

constexpr int64_t kBound_ms = 5000;

class SimChannelTest : public LeakCheckedTest {
protected:
    void Connect(const SimCameraConfig& config = {}) {
        m_channel.m_pCameraFilter = nullptr;
        m_camera = std::make_shared<CSimCamera>(config, std::make_shared<CSteppingClock>());
        m_channel.m_pCameraFilter = SimFilter(m_camera);
    }
    void SetUp() override { Connect(); }
    // Requests nothing; downloads the block the mailbox announces.
    bool Download(DeviceStatus& status) {
        return DownloadBlock(m_channel, m_block, m_size, status, kBound_ms);
    }

    CTempRegistry m_registry;  // the profile touches the registry
    std::shared_ptr<CSimCamera> m_camera;
    CTestVendorChannel m_channel;
    std::unique_ptr<BYTE[]> m_block;
    LONG m_size = 0;
};

TEST_F(SimChannelTest, TheConnectSequenceFindsFirmwareWaitsAndReadsTheProfile) {
    EXPECT_TRUE(CheckFirmware(m_channel));
    EXPECT_TRUE(WaitForDeviceReady(m_channel, kBound_ms));
    CDeviceProfile profile;
    ASSERT_TRUE(profile.LoadFromDevice(m_channel, kBound_ms));
    EXPECT_EQ(profile.m_capabilities.m_capabilities, CSimFirmware::kCapabilities);
    const auto& sizes = m_camera->Config().firmware.resolutions;
    ASSERT_EQ(profile.m_resolutionTable.Count(), 5);
    for (DWORD i = 0; i < 5; ++i) {
        ResolutionEntry entry;
        ASSERT_TRUE(profile.GetResolution(i, entry));
        EXPECT_EQ(entry, (ResolutionEntry{sizes[i].width, sizes[i].height, sizes[i].mode}));
    }
    EXPECT_TRUE(SendDeviceCommand(m_channel, 'B'));
    EXPECT_EQ(m_camera->Firmware().GetCounters().lastCommand, 66u);
}

TEST_F(SimChannelTest, StillsDownloadWholeAtTheRequestedSizeOrTheFullSensor) {
    SnapshotRequest request;
    request.width = 800;
    request.height = 600;
    ASSERT_TRUE(m_channel.RequestJpegSnapshot(request));
    DeviceStatus status;
    ASSERT_TRUE(Download(status));
    EXPECT_EQ(m_size, RoundedBlockSize(status.lengthOrValue));
    EXPECT_EQ(status.address, CSimFirmware::kBlockBase + DWORD(m_size) / 0x8000 * 0x8000);
    EXPECT_EQ(m_block[0] << 8 | m_block[1], 0xFFD8);
    EXPECT_EQ(m_block[status.lengthOrValue - 2] << 8 | m_block[status.lengthOrValue - 1], 0xFFD9);
    request.width = 2593;  // wider than the sensor
    EXPECT_FALSE(m_channel.RequestJpegSnapshot(request));

    SimCameraConfig config;
    config.firmware.rawPhase = 2;
    Connect(config);
    // Rendered first, so that the camera takes its still from the scene's cache: the bound of
    // the download is on real time, and a 5 MP picture under ThreadSanitizer takes longer.
    const int width = 2592, height = 1944;
    std::vector<BYTE> samples(size_t(width) * height);
    m_camera->Scene().RenderBayer(width, height, 2, samples.data());
    ASSERT_TRUE(m_channel.RequestRawSnapshot(0));
    ASSERT_TRUE(Download(status));
    EXPECT_EQ(
        std::tuple(m_block[12] << 8 | m_block[13], m_block[10] << 8 | m_block[11], m_block[17]),
        std::tuple(width, height, BYTE(2)));
    EXPECT_EQ(m_size, width * height + 20);  // what the raw flow insists on
    EXPECT_EQ(m_camera->Firmware().GetCounters().memoryReads, DWORD(m_size + 0x7FFF) / 0x8000);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), m_block.get() + 20));
    EXPECT_EQ(m_camera->Firmware().GetCounters().acknowledgements, 1u);
}

// The simulator tells, as debug output, when its scripted unplug fires; the host warns of what
// it then sees, with the status.
TEST_F(SimChannelTest, AMisbehavingCameraFailsEveryStepWithoutLeakingAndIsToldOnce) {
    CRecordingLogSink log;
    // Pulled out part way through the ten pieces of a raw still.
    SimCameraConfig config;
    config.firmware.resolutions = {{640, 480, 0}};
    config.firmware.failFromCall = 30;
    Connect(config);
    ASSERT_TRUE(m_channel.RequestRawSnapshot(0));
    DeviceStatus status;
    EXPECT_FALSE(Download(status));
    EXPECT_FALSE(m_block);
    EXPECT_EQ(m_camera->Firmware().GetCounters().acknowledgements, 0u);
    EXPECT_FALSE(CheckFirmware(m_channel));
    EXPECT_FALSE(WaitForDeviceReady(m_channel, 30));
    EXPECT_FALSE(SendDeviceCommand(m_channel, 'A'));
    CDeviceProfile profile;
    EXPECT_FALSE(profile.LoadFromDevice(m_channel, 30));
    EXPECT_EQ(
        log.Count(kLogSim, LogLevel::Debug, {"unplugged as scripted at call 30", "0x8007048F"}), 1);
    // The ready wait polls the state several times; the host warns once.
    EXPECT_EQ(log.Count(kLogDevice, LogLevel::Warning,
                        {"Get of property 67: QuerySupported returned 0x8007048F"}),
              1);
}

TEST_F(SimChannelTest, ASilentMailboxIsPolledAtTheCamerasPaceNotTheHosts) {
    SimCameraConfig config;
    config.firmware.bMailboxNeverAnswers = TRUE;
    const auto camera = std::make_shared<CSimCamera>(config);  // on real time
    m_channel.m_pCameraFilter = SimFilter(camera);
    ASSERT_TRUE(m_channel.RequestCapabilities());
    DeviceStatus status;
    EXPECT_FALSE(WaitForMailbox(m_channel, status, 50));
    // A read takes at least the camera's round trip, so 50 ms hold at most 200 reads (each
    // with its QuerySupported); an instant answer let the host spin through tens of thousands.
    const int64_t reads = 50'000 / config.firmware.callLatency_us + 1;
    EXPECT_LE(camera->Firmware().GetCounters().calls, uint64_t(2 * reads + 2));
}

}  // namespace
