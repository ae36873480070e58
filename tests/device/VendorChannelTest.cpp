#include <gtest/gtest.h>

#include <algorithm>

#include "device/DeviceCommands.h"
#include "device/DeviceLog.h"
#include "device/MailboxTransfer.h"
#include "device/PropertyAccessor.h"
#include "fakes/RecordingLogSink.h"
#include "fakes/ScriptedCamera.h"
#include "support/LeakCheck.h"

namespace {

using Bytes = std::vector<BYTE>;

class VendorChannelTest : public LeakCheckedTest {
protected:
    CScriptedCamera m_camera;
    CFakePropertySet& m_fake = *m_camera.filter.Get();
    CVendorChannel& m_channel = m_camera.channel;
};

// The fixture's leak check also catches an interface left unreleased on any path here.
TEST_F(VendorChannelTest, AccessorNeedsTheReportedDirectionAndExactlySOk) {
    CPropertyAccessor accessor;
    IUnknown* object = static_cast<IBaseFilter*>(&m_fake);
    BYTE buffer[4] = {9, 9, 9, 9};
    m_fake.OnSet(7);
    m_fake.OnGet(8,
                 [](BYTE* d, DWORD, DWORD* n) { return d[0] = 0x11, d[1] = 0x22, *n = 2, S_OK; });
    m_fake.OnGet(5, [](BYTE*, DWORD, DWORD*) { return S_FALSE; });
    m_fake.OnSet(6, [](const Bytes&) { return S_FALSE; });
    EXPECT_FALSE(accessor.GetProperty(object, VendorPropertySet, 7, buffer, 4));
    EXPECT_FALSE(accessor.SetProperty(object, VendorPropertySet, 8, buffer, 4));
    EXPECT_TRUE(m_fake.Transfers().empty());
    EXPECT_FALSE(accessor.GetProperty(object, VendorPropertySet, 5, buffer, 4));
    EXPECT_FALSE(accessor.SetProperty(object, VendorPropertySet, 6, buffer, 4));
    // The returned count is not examined, short or beyond the buffer; the accessor itself
    // writes nothing, and one buffer travels as instance and property data.
    ASSERT_TRUE(accessor.GetProperty(object, VendorPropertySet, 8, buffer, 4));
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0x11, 0x22, 9, 9}));
    ASSERT_TRUE(accessor.GetProperty(object, VendorPropertySet, 8, buffer, 1));
    ASSERT_TRUE(accessor.SetProperty(object, VendorPropertySet, 7, buffer, 3));
    const auto set = m_fake.Transfers().back();
    EXPECT_EQ(set.bytes, (Bytes{0x11, 0x22, 9}));
    EXPECT_EQ(set.set, VendorPropertySet);
    EXPECT_TRUE(set.instance == buffer && set.data == buffer && set.cbInstance == 3);
    // The direction bit under a status other than S_OK is no support.
    m_fake.OverrideQuery(8, S_FALSE);
    EXPECT_FALSE(accessor.GetProperty(object, VendorPropertySet, 8, buffer, 4));
    EXPECT_EQ(m_fake.Transfers().size(), 5u);
    auto stub = MakeComObject<CFakeFilterStub>();
    EXPECT_FALSE(accessor.GetProperty(static_cast<IBaseFilter*>(stub.Get()), VendorPropertySet, 8,
                                      buffer, 4));
}

TEST_F(VendorChannelTest, EveryOperationCarriesItsExactPayload) {
    BYTE value = 0;
    BYTE block[6] = {};
    SnapshotRequest jpeg;
    jpeg.width = 2592;
    jpeg.height = 1944;
    ASSERT_TRUE(m_channel.ReadRegister(0x740, value));
    ASSERT_TRUE(m_channel.ReadMemory(0x00123456, 6, block));
    ASSERT_TRUE(m_channel.RequestCapabilities());
    ASSERT_TRUE(m_channel.RequestResolutionTable());
    ASSERT_TRUE(m_channel.RequestJpegSnapshot(jpeg));
    ASSERT_TRUE(m_channel.RequestRawSnapshot(0));
    ASSERT_TRUE(m_channel.SendCommand(0x42));
    ASSERT_TRUE(m_channel.WriteStatus(DeviceStatus{0x04030201, 0x80706050, 1}));
    EXPECT_EQ(value, 0x20);
    EXPECT_EQ(block[5], MemoryByte(0x0012345B));

    Bytes request{3, 0, 0, 0, 0x20, 0x0A, 0x98, 0x07};  // mode 3, 0x0A20 x 0x0798, then zeros
    request.resize(34);
    const std::pair<DWORD, Bytes> expected[] = {
        {0, {0x40, 0x07, 0, 0}},
        {2, {0x20}},
        {1, {0x56, 0x34, 0x12, 0x00, 6, 0, 0, 0}},
        {3, Bytes(block, block + 6)},
        {49, {}},
        {60, {}},
        {59, request},
        {61, {0, 0, 0, 0}},
        {66, {0x42, 0, 0, 0}},
        {34, {0x01, 0x02, 0x03, 0x04, 0x50, 0x60, 0x70, 0x80, 1, 0, 0, 0}}};
    const auto calls = m_fake.Transfers();
    ASSERT_EQ(calls.size(), std::size(expected));
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].id, expected[i].first);
        EXPECT_EQ(calls[i].bytes, expected[i].second);
        EXPECT_EQ(calls[i].data == nullptr, i == 4 || i == 5);  // 49 and 60 carry no buffer
    }
    EXPECT_EQ(calls[3].data, block);
}

// A driver may fill less than it was asked for, or report another count: the read stands, and
// every buffer the channel and the download hand in is zeroed, so no stale byte goes on.
TEST_F(VendorChannelTest, AShortAnswerIsTakenWithZerosWhereNothingCame) {
    m_camera.statuses = {CScriptedCamera::Ready(0x00400000, 8)};
    m_fake.OnGet(VENDOR_PROPERTY_MEMORY_DATA, [](BYTE* d, DWORD cb, DWORD* n) {
        return std::fill(d, d + cb / 2, BYTE{0x5A}), *n = cb / 2, S_OK;
    });
    std::unique_ptr<BYTE[]> block;
    LONG size = 0;
    DeviceStatus announced;
    ASSERT_TRUE(DownloadBlock(m_channel, block, size, announced, 30));
    EXPECT_EQ(Bytes(block.get(), block.get() + size), (Bytes{0x5A, 0x5A, 0x5A, 0x5A, 0, 0, 0, 0}));

    m_fake.OnGet(VENDOR_PROPERTY_STATUS,
                 [](BYTE* d, DWORD, DWORD* n) { return d[0] = 0x10, *n = 1, S_OK; });
    DeviceStatus status{0x04030201, 0x80706050, 1};
    ASSERT_TRUE(m_channel.GetStatus(status));
    EXPECT_EQ(status, (DeviceStatus{0x10, 0, 0}));
    m_fake.OnGet(VENDOR_PROPERTY_DEVICE_STATE,
                 [](BYTE* d, DWORD, DWORD* n) { return d[0] = 1, *n = 0, S_OK; });
    DWORD state = 0xFFFFFFFF;
    ASSERT_TRUE(m_channel.GetDeviceState(state));
    EXPECT_EQ(state, 1u);
}

TEST_F(VendorChannelTest, FailuresLeaveTheOutputAndGoNoFurther) {
    m_camera.statuses = {{0x04030201, 0x80706050, 1}};
    DeviceStatus status;
    ASSERT_TRUE(m_channel.GetStatus(status));
    m_camera.statusFails = TRUE;
    EXPECT_FALSE(m_channel.GetStatus(status));
    EXPECT_EQ(status, (DeviceStatus{0x04030201, 0x80706050, 1}));

    m_fake.OnSet(VENDOR_PROPERTY_REGISTER_ADDRESS, [](const Bytes&) { return E_FAIL; });
    m_fake.OnSet(VENDOR_PROPERTY_MEMORY_RANGE, [](const Bytes&) { return S_FALSE; });
    BYTE value = 0x77;
    EXPECT_FALSE(m_channel.ReadRegister(0x740, value));
    EXPECT_FALSE(m_channel.ReadMemory(0, 1, &value));
    EXPECT_EQ(value, 0x77);
    EXPECT_TRUE(m_camera.TransfersOf(VENDOR_PROPERTY_REGISTER_VALUE).empty());
    EXPECT_TRUE(m_camera.TransfersOf(VENDOR_PROPERTY_MEMORY_DATA).empty());
    EXPECT_FALSE(CTestVendorChannel().GetStatus(status));  // no camera filter held
}

TEST_F(VendorChannelTest, FirmwareIsBitFiveOfRegister0x740AndAFailedReadIsNone) {
    for (auto [value, present] :
         {std::pair<BYTE, BOOL>{0x20, TRUE}, {0xFF, TRUE}, {0x00, FALSE}, {0xDF, FALSE}}) {
        m_camera.firmwareRegister = value;
        EXPECT_EQ(CheckFirmware(m_channel), present) << int(value);
    }
    m_fake.OnGet(VENDOR_PROPERTY_REGISTER_VALUE,
                 [](BYTE* data, DWORD, DWORD*) { return *data = 0xFF, E_FAIL; });
    EXPECT_FALSE(CheckFirmware(m_channel));
}

TEST_F(VendorChannelTest, ACommandIsOneEmptyMailboxWriteThenTheWordAndReportsTheWord) {
    EXPECT_TRUE(SendDeviceCommand(m_channel, 'A'));
    const auto calls = m_fake.Transfers();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].id, 34u);
    EXPECT_EQ(calls[0].bytes, Bytes(12, 0));
    EXPECT_EQ(calls[1].id, 66u);
    EXPECT_EQ(calls[1].bytes, (Bytes{0x41, 0x00, 0x00, 0x00}));

    m_fake.OnSet(VENDOR_PROPERTY_STATUS, [](const Bytes&) { return E_FAIL; });
    EXPECT_TRUE(SendDeviceCommand(m_channel, 'B'));
    m_fake.OnSet(VENDOR_PROPERTY_COMMAND, [](const Bytes&) { return S_FALSE; });
    EXPECT_FALSE(SendDeviceCommand(m_channel, 'C'));
}

TEST_F(VendorChannelTest, ReadyWaitNeedsExactlyOneAndEndsAtTheBound) {
    m_camera.states = {0u, CScriptedCamera::kStateReadFails, 2u, 0x101u, 1u};
    EXPECT_TRUE(WaitForDeviceReady(m_channel, 5000));
    EXPECT_EQ(m_camera.TransfersOf(VENDOR_PROPERTY_DEVICE_STATE).size(), 5u);
    m_camera.states = {0u};
    EXPECT_FALSE(WaitForDeviceReady(m_channel, 30));
    // Paced at 10 ms: a 30 ms bound allows a handful of reads, not a busy loop.
    EXPECT_LE(m_camera.TransfersOf(VENDOR_PROPERTY_DEVICE_STATE).size(), 5u + 5u);
}

// What the device layer logs when the camera fails: the status and what was being done, a
// failure that recurs at every poll once, and the numbers behind a refused download.
TEST_F(VendorChannelTest, AFailedReadIsWarnedWithItsStatusOnceUntilAReadSucceeds) {
    CRecordingLogSink log;
    DeviceStatus status;
    ASSERT_TRUE(m_channel.GetStatus(status));  // whatever failed before is forgotten
    m_camera.statusFails = TRUE;
    EXPECT_FALSE(m_channel.GetStatus(status));
    EXPECT_FALSE(m_channel.GetStatus(status));  // the focus read-out's next tick
    const auto warnings = [&] {
        return log.Count(kLogDevice, LogLevel::Warning, {"Get of property 34 failed: 0x80004005"});
    };
    EXPECT_EQ(warnings(), 1);
    EXPECT_EQ(log.Count(kLogDevice, LogLevel::Debug, {"Get of property 34 failed"}), 1);
    m_camera.statusFails = FALSE;
    ASSERT_TRUE(m_channel.GetStatus(status));
    m_camera.statusFails = TRUE;
    EXPECT_FALSE(m_channel.GetStatus(status));
    EXPECT_EQ(warnings(), 2);
}

TEST_F(VendorChannelTest, ARefusedOrLateDownloadSaysWhatWasAnnouncedAndWhy) {
    CRecordingLogSink log;
    const auto warnings = [&](std::initializer_list<std::string_view> parts) {
        return log.Count(kLogDevice, LogLevel::Warning, parts);
    };
    std::unique_ptr<BYTE[]> block;
    LONG size = 0;
    DeviceStatus status;
    m_channel.m_nMaxBlockSize = 0x1000;
    m_camera.statuses = {CScriptedCamera::Ready(0x00400000, 0x1001)};
    EXPECT_FALSE(DownloadBlock(m_channel, block, size, status, 30));
    EXPECT_EQ(warnings({"download refused", "4097 bytes", "0x00400000", "limit of 4096"}), 1);
    m_camera.statuses = {DeviceStatus{}};
    EXPECT_FALSE(DownloadBlock(m_channel, block, size, status, 30));
    EXPECT_EQ(warnings({"mailbox: nothing posted within 30 ms"}), 1);
    m_camera.states = {0};
    EXPECT_FALSE(WaitForDeviceReady(m_channel, 20));
    EXPECT_EQ(warnings({"device not ready within 20 ms: the state reads 0"}), 1);
}

}  // namespace
