// A camera that plays the firmware's side of the vendor property set from a script, on the
// fake property set (which records every call): the firmware register, device memory whose
// every byte is a known function of its address unless a request posted a still there, a
// mailbox record fed from a queue (a write takes it), requests, commands and device states.
// Its channel's clock is the camera's own: each mailbox or memory read takes `call_ms` of it,
// so bounded waits end after a known number of reads without the test sleeping.
#pragma once

#include <array>
#include <cstring>
#include <deque>

#include "device/DeviceStatus.h"
#include "device/VendorChannel.h"
#include "fakes/FakeHostClock.h"
#include "fakes/FakePropertySet.h"
#include "fakes/TestVendorChannel.h"
#include "platform/ks/VendorPropertySet.h"

// The byte device memory holds at `address` where no still was posted.
inline BYTE MemoryByte(DWORD address) {
    return static_cast<BYTE>((address * 7u) ^ (address >> 9));
}

class CScriptedCamera {
public:
    using Bytes = std::vector<BYTE>;
    static constexpr DWORD kBlockAddress = 0x00100000;  // where requests post their still

    CScriptedCamera() {
        filter->OnSet(VENDOR_PROPERTY_REGISTER_ADDRESS, [this](const Bytes& sent) {
            m_register = Le32(sent.data());
            return S_OK;
        });
        filter->OnGet(VENDOR_PROPERTY_REGISTER_VALUE, [this](BYTE* data, DWORD, DWORD* returned) {
            *data = m_register == VENDOR_REGISTER_FIRMWARE ? firmwareRegister : 0;
            *returned = 1;
            return S_OK;
        });
        filter->OnSet(VENDOR_PROPERTY_MEMORY_RANGE, [this](const Bytes& sent) {
            m_range = {Le32(sent.data()), Le32(sent.data() + 4)};
            return S_OK;
        });
        filter->OnGet(VENDOR_PROPERTY_MEMORY_DATA, [this](BYTE* data, DWORD cb, DWORD* returned) {
            clock->Advance(call_ms);
            if (++memoryReads == failMemoryRead)
                return HRESULT_DEVICE_NOT_CONNECTED;
            *returned = std::min(cb, m_range.second);
            for (DWORD i = 0, address = m_range.first; i < *returned; ++i, ++address) {
                const size_t at = address - kBlockAddress;
                data[i] = at < block.size() ? block[at] : MemoryByte(address);
            }
            return S_OK;
        });
        filter->OnGet(VENDOR_PROPERTY_STATUS, [this](BYTE* data, DWORD cb, DWORD* returned) {
            clock->Advance(call_ms);
            if (statusFails)
                return E_FAIL;
            if (!statuses.empty()) {
                record = statuses.front();
                statuses.pop_front();
            }
            *returned = std::min<DWORD>(cb, DeviceStatus::kWireSize);
            std::memcpy(data, record.ToBytes().data(), *returned);
            return S_OK;
        });
        filter->OnSet(VENDOR_PROPERTY_STATUS, [this](const Bytes& sent) {
            std::array<BYTE, DeviceStatus::kWireSize> bytes{};
            std::memcpy(bytes.data(), sent.data(), std::min(sent.size(), bytes.size()));
            statusWrites.push_back(DeviceStatus::FromBytes(bytes));
            record = DeviceStatus{};  // taken: the mailbox is empty again
            return S_OK;
        });
        filter->OnGet(VENDOR_PROPERTY_DEVICE_STATE, [this](BYTE* data, DWORD, DWORD* returned) {
            const DWORD state = states.front();
            if (states.size() > 1)
                states.pop_front();
            std::memcpy(data, &state, *returned = 4);
            return state == kStateReadFails ? E_FAIL : S_OK;
        });
        filter->OnSet(VENDOR_PROPERTY_REQUEST_CAPABILITIES);
        filter->OnSet(VENDOR_PROPERTY_REQUEST_RESOLUTIONS);
        filter->OnSet(VENDOR_PROPERTY_REQUEST_JPEG, [this](const Bytes& sent) {
            jpegRequests.push_back(sent);
            return Post(jpegStill);
        });
        filter->OnSet(VENDOR_PROPERTY_REQUEST_RAW, [this](const Bytes& sent) {
            rawRequests.push_back(sent);
            return Post(rawStill);
        });
        filter->OnSet(VENDOR_PROPERTY_COMMAND, [this](const Bytes& sent) {
            commands.push_back(sent[0]);
            return S_OK;
        });
        channel.m_pCameraFilter = ComPtr<IUnknown>(static_cast<IBaseFilter*>(filter.Get()));
        channel.m_pClock = clock;
    }

    static DWORD Le32(const BYTE* p) {
        return DWORD{p[0]} | (DWORD{p[1]} << 8) | (DWORD{p[2]} << 16) | (DWORD{p[3]} << 24);
    }
    static DeviceStatus Ready(DWORD address, DWORD length) {
        return {address, length, DeviceStatus::kReady};
    }
    std::vector<CFakePropertySet::Call> TransfersOf(DWORD id) const {
        return filter->Transfers(id);
    }
    // A focus report as the firmware posts it.
    void PostFocus(DWORD value, DWORD flags = DeviceStatus::kReady) { record = {0, value, flags}; }

    static constexpr DWORD kStateReadFails = 0xBAD;
    ComPtr<CFakePropertySet> filter = MakeComObject<CFakePropertySet>();
    std::shared_ptr<CFakeHostClock> clock = std::make_shared<CFakeHostClock>();
    int64_t call_ms = 1;         // camera time each mailbox or memory read takes
    CTestVendorChannel channel;  // talks to `filter`, bounded on `clock`
    BYTE firmwareRegister = VENDOR_FIRMWARE_PRESENT_BIT;
    DeviceStatus record;                // the mailbox as the next read finds it
    std::deque<DeviceStatus> statuses;  // each mailbox read first takes the next of these
    std::deque<DWORD> states{1u};       // device states read in turn, the last repeating
    BOOL statusFails = FALSE;
    BOOL refuseRequests = FALSE;
    Bytes jpegStill, rawStill;
    Bytes block;  // the posted still, at kBlockAddress
    size_t memoryReads = 0;
    size_t failMemoryRead = 0;  // 1-based memory read that fails; 0 = none
    std::vector<Bytes> jpegRequests, rawRequests;
    Bytes commands;
    std::vector<DeviceStatus> statusWrites;

private:
    HRESULT Post(const Bytes& still) {
        if (refuseRequests)
            return E_FAIL;
        block = still;
        record = Ready(kBlockAddress, DWORD(still.size()));
        return S_OK;
    }

    DWORD m_register = 0;
    std::pair<DWORD, DWORD> m_range{0, 0};
};
