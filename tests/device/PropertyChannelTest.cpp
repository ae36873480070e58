#include <gtest/gtest.h>

#include "ComLeakCheck.h"
#include "device/PropertyAccessor.h"
#include "fakes/FakeFilterStub.h"
#include "fakes/ScriptedCamera.h"

namespace {

using Kind = CFakePropertySet::Kind;
using Bytes = std::vector<BYTE>;

template <class Record>
Bytes WireBytes(const Record& record) {
    const auto bytes = record.ToBytes();
    return Bytes(bytes.begin(), bytes.end());
}

class PropertyAccessorTest : public ComLeakCheck {
protected:
    // The filter's identity, as the system hands it over.
    IUnknown* Object() const { return static_cast<IBaseFilter*>(m_fake.Get()); }

    ComPtr<CFakePropertySet> m_fake = MakeComObject<CFakePropertySet>();
    CPropertyAccessor m_accessor;
    BYTE m_buffer[4] = {9, 9, 9, 9};
};

TEST_F(PropertyAccessorTest, DirectionMustBeReportedBeforeTheTransfer) {
    m_fake->OnSet(7);
    m_fake->OnGetBytes(8, {1});
    EXPECT_FALSE(m_accessor.GetProperty(Object(), VendorPropertySet, 7, m_buffer, 4));
    EXPECT_FALSE(m_accessor.SetProperty(Object(), VendorPropertySet, 8, m_buffer, 4));
    EXPECT_TRUE(m_fake->Transfers().empty());
    ASSERT_EQ(m_fake->Calls(Kind::Query).size(), 2u);
    EXPECT_EQ(m_fake->Calls(Kind::Query)[0].set, VendorPropertySet);

    // A support mask with the bit but a status other than S_OK is not support either.
    m_fake->OverrideQuery(8, S_FALSE, KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET);
    EXPECT_FALSE(m_accessor.GetProperty(Object(), VendorPropertySet, 8, m_buffer, 4));
    EXPECT_TRUE(m_fake->Transfers().empty());
}

TEST_F(PropertyAccessorTest, OnlyExactlySOkCounts) {
    m_fake->OnGet(5, [](BYTE*, DWORD, DWORD*) { return S_FALSE; });
    m_fake->OnSet(6, [](const Bytes&) { return S_FALSE; });
    m_fake->OnSet(7, [](const Bytes&) { return E_FAIL; });
    EXPECT_FALSE(m_accessor.GetProperty(Object(), VendorPropertySet, 5, m_buffer, 4));
    EXPECT_FALSE(m_accessor.SetProperty(Object(), VendorPropertySet, 6, m_buffer, 4));
    EXPECT_FALSE(m_accessor.SetProperty(Object(), VendorPropertySet, 7, m_buffer, 4));
    EXPECT_EQ(m_fake->Transfers().size(), 3u);
}

TEST_F(PropertyAccessorTest, OneBufferServesAsInstanceAndPropertyData) {
    m_fake->OnGetBytes(5, {0x11, 0x22});  // a short answer still succeeds
    m_fake->OnSet(6);
    ASSERT_TRUE(m_accessor.GetProperty(Object(), VendorPropertySet, 5, m_buffer, 4));
    EXPECT_EQ(Bytes(m_buffer, m_buffer + 4), (Bytes{0x11, 0x22, 9, 9}));
    ASSERT_TRUE(m_accessor.SetProperty(Object(), VendorPropertySet, 6, m_buffer, 3));
    const auto calls = m_fake->Transfers();
    ASSERT_EQ(calls.size(), 2u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.instance, m_buffer);
        EXPECT_EQ(call.data, m_buffer);
        EXPECT_EQ(call.cbInstance, call.cbData);
    }
    EXPECT_EQ(calls[0].cbData, 4u);
    EXPECT_EQ(calls[1].bytes, (Bytes{0x11, 0x22, 9}));
}

TEST_F(PropertyAccessorTest, ReleasesTheInterfaceOnEveryPath) {
    m_fake->OnGetBytes(5, {1});
    m_fake->OnSet(6, [](const Bytes&) { return E_FAIL; });
    const ULONG before = m_fake->AddRef() - 1;
    m_fake->Release();
    m_accessor.GetProperty(Object(), VendorPropertySet, 5, m_buffer, 1);  // success
    m_accessor.SetProperty(Object(), VendorPropertySet, 6, m_buffer, 1);  // failed Set
    m_accessor.SetProperty(Object(), VendorPropertySet, 5, m_buffer, 1);  // refused
    m_fake->FailFromCall(m_fake->m_calls.size() + 1);
    m_accessor.GetProperty(Object(), VendorPropertySet, 5, m_buffer, 1);  // query fails
    EXPECT_EQ(m_fake->AddRef() - 1, before);
    m_fake->Release();
}

TEST_F(PropertyAccessorTest, AnObjectWithoutPropertySetsOrNoObjectFails) {
    auto stub = MakeComObject<CFakeFilterStub>();
    EXPECT_FALSE(m_accessor.GetProperty(static_cast<IBaseFilter*>(stub.Get()), VendorPropertySet, 5,
                                        m_buffer, 4));
    EXPECT_FALSE(m_accessor.SetProperty(nullptr, VendorPropertySet, 5, m_buffer, 4));
}

class VendorChannelTest : public ComLeakCheck {
protected:
    CScriptedCamera m_camera;
    CVendorChannel& m_channel = m_camera.channel;
};

TEST_F(VendorChannelTest, WithoutACameraFilterNothingIsCalled) {
    CVendorChannel empty;
    DeviceStatus status;
    DWORD state = 0;
    EXPECT_FALSE(empty.GetStatus(status));
    EXPECT_FALSE(empty.RequestCapabilities());
    EXPECT_FALSE(empty.GetDeviceState(state));
}

TEST_F(VendorChannelTest, RegisterAndMemoryReadsSelectThenFetch) {
    BYTE value = 0;
    ASSERT_TRUE(m_channel.ReadRegister(0x740, value));
    EXPECT_EQ(value, 0x20);
    BYTE block[6] = {};
    ASSERT_TRUE(m_channel.ReadMemory(0x00123456, 6, block));
    EXPECT_EQ(block[5], MemoryByte(0x0012345B));

    const auto calls = m_camera.filter->Transfers();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].id, 0u);
    EXPECT_EQ(calls[0].bytes, (Bytes{0x40, 0x07, 0, 0}));
    EXPECT_EQ(calls[1].id, 2u);
    EXPECT_EQ(calls[1].cbData, 1u);
    EXPECT_EQ(calls[2].id, 1u);
    EXPECT_EQ(calls[2].bytes, (Bytes{0x56, 0x34, 0x12, 0x00, 6, 0, 0, 0}));
    EXPECT_EQ(calls[3].id, 3u);
    EXPECT_EQ(calls[3].data, block);
    EXPECT_EQ(calls[3].cbData, 6u);
}

TEST_F(VendorChannelTest, AFailedSelectionSkipsTheFetch) {
    m_camera.filter->OnSet(VENDOR_PROPERTY_REGISTER_ADDRESS, [](const Bytes&) { return E_FAIL; });
    m_camera.filter->OnSet(VENDOR_PROPERTY_MEMORY_RANGE, [](const Bytes&) { return S_FALSE; });
    BYTE value = 0x77;
    BYTE block[4] = {};
    EXPECT_FALSE(m_channel.ReadRegister(0x740, value));
    EXPECT_FALSE(m_channel.ReadMemory(0, 4, block));
    EXPECT_EQ(value, 0x77);
    EXPECT_TRUE(m_camera.TransfersOf(2).empty());
    EXPECT_TRUE(m_camera.TransfersOf(3).empty());
}

TEST_F(VendorChannelTest, RequestsAndCommandsCarryTheirExactPayloads) {
    ASSERT_TRUE(m_channel.RequestCapabilities());
    ASSERT_TRUE(m_channel.RequestResolutionTable());
    SnapshotRequest jpeg;
    jpeg.width = 640;
    jpeg.height = 480;
    ASSERT_TRUE(m_channel.RequestJpegSnapshot(jpeg));
    ASSERT_TRUE(m_channel.RequestRawSnapshot(0));
    ASSERT_TRUE(m_channel.SendCommand(0x42));
    ASSERT_TRUE(m_channel.WriteStatus(DeviceStatus{1, 2, 3}));

    for (DWORD id : {49u, 60u}) {
        const auto calls = m_camera.TransfersOf(id);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].instance, nullptr);
        EXPECT_EQ(calls[0].cbInstance, 0u);
        EXPECT_EQ(calls[0].data, nullptr);
        EXPECT_EQ(calls[0].cbData, 0u);
    }
    EXPECT_EQ(m_camera.TransfersOf(59)[0].bytes, WireBytes(jpeg));
    EXPECT_EQ(m_camera.TransfersOf(61)[0].bytes, (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(m_camera.TransfersOf(66)[0].bytes, (Bytes{0x42, 0, 0, 0}));
    EXPECT_EQ(m_camera.TransfersOf(34)[0].bytes, (Bytes{1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
}

TEST_F(VendorChannelTest, AShortStatusReadKeepsTheRestOfTheRecord) {
    m_camera.filter->OnGetBytes(VENDOR_PROPERTY_STATUS, {0x10, 0x00, 0x00, 0x00});
    DeviceStatus status{0xAAAAAAAA, 0xBBBBBBBB, 0xCCCCCCCC};
    ASSERT_TRUE(m_channel.GetStatus(status));
    EXPECT_EQ(status, (DeviceStatus{0x10, 0xBBBBBBBB, 0xCCCCCCCC}));

    m_camera.states = {0x01020304};
    DWORD state = 0;
    ASSERT_TRUE(m_channel.GetDeviceState(state));
    EXPECT_EQ(state, 0x01020304u);
}

}  // namespace
