#include <gtest/gtest.h>

#include <stdlib.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>

#include "device/DeviceCommands.h"
#include "device/DeviceProfile.h"
#include "device/MailboxTransfer.h"
#include "device/VendorChannel.h"
#include "platform/com/ComRuntime.h"
#include "sim/SimCameraFilter.h"
// After the platform types: libjpeg defines TRUE and FALSE as macros when they are not.
#include <jpeglib.h>

namespace {

// Time that moves on every time the firmware looks, so polling loops make progress without a
// test ever sleeping for the camera.
class CSteppingClock : public ISimClock {
public:
    int64_t Now_ms() const override { return m_now_ms.fetch_add(kStep_ms) + kStep_ms; }
    static constexpr int64_t kStep_ms = 25;

private:
    mutable std::atomic<int64_t> m_now_ms{0};
};

constexpr int64_t kBound_ms = 5000;

class SimChannelTest : public ::testing::Test {
protected:
    void Connect(const SimCameraConfig& config) {
        m_channel.m_pCameraFilter = nullptr;
        m_camera = std::make_shared<CSimCamera>(config, std::make_shared<CSteppingClock>());
        m_channel.m_pCameraFilter.Attach(new CSimCameraFilter(m_camera));
    }
    void SetUp() override {
        // The profile touches the registry; keep it in a folder of the test's own.
        m_registryDir = (std::filesystem::temp_directory_path() / "nitidor-sim-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(m_registryDir.data()));
        setenv("NITIDOR_REGISTRY_FILE", (m_registryDir + "/registry.reg").c_str(), 1);
        Connect({});
    }
    void TearDown() override {
        unsetenv("NITIDOR_REGISTRY_FILE");
        std::filesystem::remove_all(m_registryDir);
    }
    ~SimChannelTest() override {
        m_channel.m_pCameraFilter = nullptr;
        EXPECT_EQ(ComLiveObjectCount(), m_liveBefore);
    }

    long m_liveBefore = ComLiveObjectCount();
    std::string m_registryDir;
    std::shared_ptr<CSimCamera> m_camera;
    CVendorChannel m_channel;
};

// Width and height from a JPEG stream's header, or 0x0 when it does not parse.
std::pair<JDIMENSION, JDIMENSION> JpegSize(const BYTE* data, size_t size) {
    struct Error {
        jpeg_error_mgr mgr;
        std::jmp_buf jump;
    } error{};
    jpeg_decompress_struct cinfo{};
    cinfo.err = jpeg_std_error(&error.mgr);
    error.mgr.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<Error*>(c->err)->jump, 1);
    };
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return {0, 0};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    const std::pair<JDIMENSION, JDIMENSION> result{cinfo.image_width, cinfo.image_height};
    jpeg_destroy_decompress(&cinfo);
    return result;
}

TEST_F(SimChannelTest, TheConnectSequenceFindsFirmwareWaitsAndReadsTheProfile) {
    EXPECT_TRUE(CheckFirmware(m_channel));
    EXPECT_TRUE(WaitForDeviceReady(m_channel, kBound_ms));
    CDeviceProfile profile;
    ASSERT_TRUE(profile.LoadFromDevice(m_channel, kBound_ms));
    EXPECT_EQ(profile.m_capabilities.m_capabilities, CSimFirmware::kCapabilities);
    EXPECT_EQ(profile.m_resolutionTable.Count(), 5);
    const auto& sizes = m_camera->Config().firmware.resolutions;
    for (DWORD i = 0; i < 5; ++i) {
        ResolutionEntry entry;
        ASSERT_TRUE(profile.GetResolution(i, entry));
        EXPECT_EQ(entry, (ResolutionEntry{sizes[i].width, sizes[i].height, sizes[i].mode}));
    }
    EXPECT_EQ(profile.m_resolutionTable.Entry(0), (ResolutionEntry{2592, 1944, 0}));

    SimCameraConfig bare;
    bare.firmware.bFirmwarePresent = FALSE;
    Connect(bare);
    EXPECT_FALSE(CheckFirmware(m_channel));
}

TEST_F(SimChannelTest, AJpegStillDownloadsWholeAtExactlyTheRequestedSize) {
    SnapshotRequest request;
    request.width = 800;
    request.height = 600;
    ASSERT_TRUE(m_channel.RequestJpegSnapshot(request));
    std::unique_ptr<BYTE[]> block;
    LONG size = 0;
    DeviceStatus status;
    ASSERT_TRUE(DownloadBlock(m_channel, block, size, status, kBound_ms));
    EXPECT_EQ(size, RoundedBlockSize(status.lengthOrValue));
    EXPECT_EQ(status.address, CSimFirmware::kBlockBase + DWORD(size) / 0x8000 * 0x8000);
    EXPECT_EQ(block[0], 0xFF);
    EXPECT_EQ(block[1], 0xD8);
    EXPECT_EQ(block[status.lengthOrValue - 2], 0xFF);
    EXPECT_EQ(block[status.lengthOrValue - 1], 0xD9);
    EXPECT_EQ(JpegSize(block.get(), status.lengthOrValue), std::make_pair(800u, 600u));
    EXPECT_EQ(m_camera->Firmware().GetCounters().acknowledgements, 1u);

    request.width = 2593;  // wider than the sensor
    EXPECT_FALSE(m_channel.RequestJpegSnapshot(request));
}

TEST_F(SimChannelTest, ARawStillIsTheFullSensorBehindItsHeader) {
    SimCameraConfig config;
    config.firmware.rawPhase = 2;
    Connect(config);
    ASSERT_TRUE(m_channel.RequestRawSnapshot(0));
    std::unique_ptr<BYTE[]> block;
    LONG size = 0;
    DeviceStatus status;
    ASSERT_TRUE(DownloadBlock(m_channel, block, size, status, kBound_ms));
    const int width = block[12] << 8 | block[13], height = block[10] << 8 | block[11];
    EXPECT_EQ(width, 2592);
    EXPECT_EQ(height, 1944);
    EXPECT_EQ(block[17], 2);
    EXPECT_EQ(size, width * height + 20);  // what the raw flow insists on
    EXPECT_EQ(m_camera->Firmware().GetCounters().memoryReads, DWORD(size + 0x7FFF) / 0x8000);

    std::vector<BYTE> samples(size_t(width) * height);
    m_camera->Scene().RenderBayer(width, height, 2, samples.data());
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), block.get() + 20));
}

TEST_F(SimChannelTest, FocusReportsFlowWhileTheFilterRunsAndCommandsAreTaken) {
    ComPtr<IBaseFilter> filter = m_channel.m_pCameraFilter;
    ASSERT_EQ(filter->Run(0), S_OK);
    EXPECT_TRUE(SendDeviceCommand(m_channel, 'A'));
    DeviceStatus report;
    ASSERT_TRUE(WaitForMailbox(m_channel, report, kBound_ms));
    EXPECT_EQ(LONG(report.lengthOrValue), m_camera->Scene().FocusFigure());
    EXPECT_TRUE(m_channel.WriteStatus(report));
    EXPECT_EQ(m_camera->Firmware().GetCounters().acknowledgements, 1u);

    ASSERT_EQ(filter->Stop(), S_OK);
    EXPECT_FALSE(m_camera->Firmware().IsStreaming());
    EXPECT_TRUE(SendDeviceCommand(m_channel, 'B'));
    EXPECT_EQ(m_camera->Firmware().GetCounters().lastCommand, 66u);
}

TEST_F(SimChannelTest, AnUnpluggedCameraFailsEveryStepWithoutLeaking) {
    // Pulled out part way through the pieces of a raw still.
    SimCameraConfig config;
    config.firmware.resolutions = {{640, 480, 0}};  // ten pieces
    config.firmware.failFromCall = 30;
    Connect(config);
    ASSERT_TRUE(m_channel.RequestRawSnapshot(0));
    std::unique_ptr<BYTE[]> block;
    LONG size = 0;
    DeviceStatus status;
    EXPECT_FALSE(DownloadBlock(m_channel, block, size, status, kBound_ms));
    EXPECT_FALSE(block);
    EXPECT_EQ(m_camera->Firmware().GetCounters().acknowledgements, 0u);
    EXPECT_FALSE(CheckFirmware(m_channel));
    EXPECT_FALSE(WaitForDeviceReady(m_channel, 30));
    EXPECT_FALSE(SendDeviceCommand(m_channel, 'A'));

    SimCameraConfig mute;
    mute.firmware.bMailboxNeverAnswers = TRUE;
    Connect(mute);
    CDeviceProfile profile;
    EXPECT_FALSE(profile.m_capabilities.Read(m_channel, 30));
    EXPECT_FALSE(profile.LoadFromDevice(m_channel, 30));
}

TEST_F(SimChannelTest, TheFilterOffersItsInterfacesAndComesFromTheClassTable) {
    CoRegisterClass(CLSID_SimCamera, &CSimCameraFilter::CreateInstance);
    ComPtr<IKsPropertySet> properties;
    ASSERT_EQ(CoCreateInstance(CLSID_SimCamera, nullptr, CLSCTX_INPROC_SERVER, IID_IKsPropertySet,
                               properties.ReleaseAndGetVoidAddress()),
              S_OK);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(properties.As(filter), S_OK);
    ComPtr<IEnumPins> pins;
    EXPECT_EQ(properties.As(pins), E_NOINTERFACE);
    CLSID clsid;
    EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_SimCamera);
    FILTER_INFO info;
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(std::wstring(info.achName), L"Standard_Camera");
    EXPECT_EQ(info.pGraph, nullptr);
    FILTER_STATE state = State_Running;
    EXPECT_EQ(filter->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Stopped);
    CoRevokeClass(CLSID_SimCamera);
}

}  // namespace
