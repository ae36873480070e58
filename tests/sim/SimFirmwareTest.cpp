#include <gtest/gtest.h>

#include <array>

#include "platform/ks/KsPropertySet.h"
#include "platform/ks/VendorPropertySet.h"
#include "sim/SimClock.h"
#include "sim/SimFirmware.h"
#include "sim/SimScene.h"

namespace {

using Record = std::array<DWORD, 3>;

class SimFirmwareTest : public ::testing::Test {
protected:
    void Make(const SimFirmwareConfig& config) {
        m_clock = std::make_shared<CManualSimClock>(1000);
        m_scene = std::make_shared<CSimScene>();
        m_firmware = std::make_unique<CSimFirmware>(m_clock, m_scene, config);
    }
    void SetUp() override { Make(SimFirmwareConfig{}); }

    HRESULT SetBytes(DWORD id, std::vector<BYTE> bytes) {
        return m_firmware->Set(VendorPropertySet, id, bytes.data(), DWORD(bytes.size()),
                               bytes.empty() ? nullptr : bytes.data(), DWORD(bytes.size()));
    }
    HRESULT SetU32(DWORD id, DWORD v) {
        return SetBytes(id, {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)});
    }
    HRESULT GetBytes(DWORD id, std::vector<BYTE>& out) {
        DWORD returned = 0;
        return m_firmware->Get(VendorPropertySet, id, out.data(), DWORD(out.size()), out.data(),
                               DWORD(out.size()), &returned);
    }
    static DWORD Le32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | DWORD(p[3]) << 24; }
    Record Status() {
        std::vector<BYTE> b(12);
        EXPECT_EQ(GetBytes(VENDOR_PROPERTY_STATUS, b), S_OK);
        return {Le32(&b[0]), Le32(&b[4]), Le32(&b[8])};
    }
    HRESULT Acknowledge(const Record& r) {
        std::vector<BYTE> b(12);
        for (int i = 0; i < 12; ++i)
            b[i] = BYTE(r[i / 4] >> (8 * (i % 4)));
        return SetBytes(VENDOR_PROPERTY_STATUS, b);
    }

    std::shared_ptr<CManualSimClock> m_clock;
    std::shared_ptr<CSimScene> m_scene;
    std::unique_ptr<CSimFirmware> m_firmware;
};

TEST_F(SimFirmwareTest, QuerySupportedAnswersThePropertyTableAndNothingElse) {
    const std::pair<DWORD, DWORD> table[] = {{0, KSPROPERTY_SUPPORT_SET},
                                             {3, KSPROPERTY_SUPPORT_GET},
                                             {34, KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET},
                                             {61, KSPROPERTY_SUPPORT_SET}};
    for (auto [id, support] : table) {
        DWORD got = 0;
        EXPECT_EQ(m_firmware->QuerySupported(VendorPropertySet, id, &got), S_OK) << id;
        EXPECT_EQ(got, support) << id;
    }
    DWORD got = 0;
    for (DWORD id : {4u, 33u, 65u, 68u}) {
        EXPECT_EQ(m_firmware->QuerySupported(VendorPropertySet, id, &got), E_PROP_ID_UNSUPPORTED);
    }
    EXPECT_EQ(m_firmware->QuerySupported(GUID{1, 2, 3, {}}, 34, &got), E_PROP_SET_UNSUPPORTED);
    std::vector<BYTE> four(4);
    EXPECT_EQ(GetBytes(VENDOR_PROPERTY_COMMAND, four), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(SetU32(VENDOR_PROPERTY_DEVICE_STATE, 1), E_PROP_ID_UNSUPPORTED);
    EXPECT_EQ(SetU32(VENDOR_PROPERTY_COMMAND, 67), E_INVALIDARG);  // only 'A' and 'B'
    EXPECT_EQ(SetU32(VENDOR_PROPERTY_COMMAND, 0x141), E_INVALIDARG);
    EXPECT_EQ(SetU32(VENDOR_PROPERTY_COMMAND, 'A'), S_OK);
    EXPECT_EQ(m_firmware->GetCounters().lastCommand, 65u);
}

TEST_F(SimFirmwareTest, DeviceStateReadsZeroUntilStartUpIsOver) {
    std::vector<BYTE> state(4, 0xFF);
    ASSERT_EQ(GetBytes(VENDOR_PROPERTY_DEVICE_STATE, state), S_OK);
    EXPECT_EQ(Le32(state.data()), 0u);
    m_clock->Advance(SimFirmwareConfig{}.startup_ms - 1);
    GetBytes(VENDOR_PROPERTY_DEVICE_STATE, state);
    EXPECT_EQ(Le32(state.data()), 0u);
    m_clock->Advance(1);
    GetBytes(VENDOR_PROPERTY_DEVICE_STATE, state);
    EXPECT_EQ(Le32(state.data()), 1u);
}

TEST_F(SimFirmwareTest, RegisterAndMemoryReadsNeedTheirSelectionJustBefore) {
    std::vector<BYTE> value(1);
    EXPECT_EQ(GetBytes(VENDOR_PROPERTY_REGISTER_VALUE, value), E_UNEXPECTED);
    ASSERT_EQ(SetU32(VENDOR_PROPERTY_REGISTER_ADDRESS, 0x740), S_OK);
    ASSERT_EQ(GetBytes(VENDOR_PROPERTY_REGISTER_VALUE, value), S_OK);
    EXPECT_EQ(value[0], CSimFirmware::kRegisterFirmwareBits);
    EXPECT_EQ(GetBytes(VENDOR_PROPERTY_REGISTER_VALUE, value), E_UNEXPECTED);

    std::vector<BYTE> piece(0x8001);
    auto range = [](DWORD address, DWORD length) {
        std::vector<BYTE> b(8);
        for (int i = 0; i < 4; ++i)
            b[i] = BYTE(address >> 8 * i), b[4 + i] = BYTE(length >> 8 * i);
        return b;
    };
    EXPECT_EQ(SetBytes(VENDOR_PROPERTY_MEMORY_RANGE, range(0, 0x8001)), E_INVALIDARG);
    EXPECT_EQ(GetBytes(VENDOR_PROPERTY_MEMORY_DATA, piece), E_UNEXPECTED);
    EXPECT_EQ(SetBytes(VENDOR_PROPERTY_MEMORY_RANGE, range(CSimFirmware::kMemorySize - 4, 8)),
              E_INVALIDARG);
    ASSERT_EQ(SetBytes(VENDOR_PROPERTY_MEMORY_RANGE, range(0x10, 0x8000)), S_OK);
    std::vector<BYTE> small(16);
    EXPECT_NE(GetBytes(VENDOR_PROPERTY_MEMORY_DATA, small), S_OK);  // buffer shorter than range

    SimFirmwareConfig none;
    none.bFirmwarePresent = FALSE;
    Make(none);
    SetU32(VENDOR_PROPERTY_REGISTER_ADDRESS, 0x740);
    GetBytes(VENDOR_PROPERTY_REGISTER_VALUE, value);
    EXPECT_EQ(value[0] & 0x20, 0);
}

TEST_F(SimFirmwareTest, ARequestIsAnnouncedAfterItsDelayAndClearedByTheAcknowledgement) {
    ASSERT_EQ(SetBytes(VENDOR_PROPERTY_REQUEST_CAPABILITIES, {}), S_OK);
    EXPECT_EQ(Status()[2] & 1, 0u);
    m_clock->Advance(SimFirmwareConfig{}.post_delay_ms);
    const Record announced = Status();
    EXPECT_EQ(announced, (Record{CSimFirmware::kBlockBase, 8, 1}));
    ASSERT_EQ(Acknowledge(announced), S_OK);
    EXPECT_EQ(Status()[2] & 1, 0u);
    EXPECT_EQ(m_firmware->GetCounters().acknowledgements, 1u);
}

TEST_F(SimFirmwareTest, FocusReportsComeEveryHundredMillisecondsWhileStreaming) {
    m_firmware->OnStreamingStarted();
    m_clock->Advance(99);
    EXPECT_EQ(Status()[2] & 1, 0u);
    m_clock->Advance(1);
    const Record report = Status();
    EXPECT_EQ(report[2] & 1, 1u);
    EXPECT_EQ(LONG(report[1]), m_scene->FocusFigure());
    Acknowledge(report);
    m_clock->Advance(50);
    EXPECT_EQ(Status()[2] & 1, 0u);
    m_scene->SetLensPosition(m_scene->Config().inFocusPosition);
    m_clock->Advance(50);
    EXPECT_EQ(LONG(Status()[1]), m_scene->FocusFigureAt(m_scene->Config().inFocusPosition));

    // A request takes the mailbox from an unacknowledged report; no report pushes it aside.
    ASSERT_EQ(SetBytes(VENDOR_PROPERTY_REQUEST_RESOLUTIONS, {}), S_OK);
    EXPECT_EQ(Status()[2] & 1, 0u);
    m_clock->Advance(300);
    EXPECT_EQ(Status(), (Record{CSimFirmware::kBlockBase, 34, 1}));
    Acknowledge(Status());
    m_clock->Advance(100);
    EXPECT_EQ(Status()[0], 0u);  // a focus report again

    m_firmware->OnStreamingStopped();
    Acknowledge(Status());
    m_clock->Advance(1000);
    EXPECT_EQ(Status()[2] & 1, 0u);
}

TEST_F(SimFirmwareTest, MisbehavesAsConfigured) {
    SimFirmwareConfig mute;
    mute.bMailboxNeverAnswers = TRUE;
    Make(mute);
    SetBytes(VENDOR_PROPERTY_REQUEST_RESOLUTIONS, {});
    m_clock->Advance(60000);
    EXPECT_EQ(Status()[2] & 1, 0u);

    SimFirmwareConfig pulled;
    pulled.failFromCall = 3;
    Make(pulled);
    DWORD support = 0;
    EXPECT_EQ(m_firmware->QuerySupported(VendorPropertySet, 34, &support), S_OK);
    EXPECT_EQ(SetU32(VENDOR_PROPERTY_COMMAND, 'B'), S_OK);
    EXPECT_EQ(m_firmware->QuerySupported(VendorPropertySet, 34, &support),
              HRESULT_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(SetU32(VENDOR_PROPERTY_COMMAND, 'B'), HRESULT_DEVICE_NOT_CONNECTED);
}

}  // namespace
