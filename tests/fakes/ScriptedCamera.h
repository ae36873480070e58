// A camera that plays the firmware's side of the vendor property set from a script, on the
// fake property set (which records every call): the firmware register, device memory whose
// every byte is a known function of its address unless a request posted a still there, a
// mailbox record fed from a queue (a write takes it), requests, commands and device states.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <optional>
#include <vector>

#include "device/DeviceStatus.h"
#include "device/VendorChannel.h"
#include "fakes/FakePropertySet.h"
#include "platform/ks/VendorPropertySet.h"

// The byte device memory holds at `address` where no still was posted.
inline BYTE MemoryByte(DWORD address) {
    return static_cast<BYTE>((address * 7u) ^ (address >> 9));
}

class CScriptedCamera {
public:
    static constexpr DWORD kBlockAddress = 0x00100000;  // where requests post their still

    CScriptedCamera(const CScriptedCamera&) = delete;
    CScriptedCamera& operator=(const CScriptedCamera&) = delete;
    CScriptedCamera() : filter(MakeComObject<CFakePropertySet>()) {
        filter->OnSet(VENDOR_PROPERTY_REGISTER_ADDRESS, [this](const std::vector<BYTE>& sent) {
            m_register = sent.size() == 4 ? Le32(sent.data()) : 0xFFFFFFFF;
            return S_OK;
        });
        filter->OnGet(VENDOR_PROPERTY_REGISTER_VALUE,
                      [this](BYTE* data, DWORD cb, DWORD* returned) {
                          if (cb < 1)
                              return E_INVALIDARG;
                          *data = m_register == VENDOR_REGISTER_FIRMWARE ? firmwareRegister : 0;
                          *returned = 1;
                          return S_OK;
                      });
        filter->OnSet(VENDOR_PROPERTY_MEMORY_RANGE, [this](const std::vector<BYTE>& sent) {
            if (sent.size() != 8)
                return E_INVALIDARG;
            m_range = {Le32(sent.data()), Le32(sent.data() + 4)};
            return S_OK;
        });
        filter->OnGet(VENDOR_PROPERTY_MEMORY_DATA, [this](BYTE* data, DWORD cb, DWORD* returned) {
            if (++memoryReads == failMemoryRead)
                return HRESULT_DEVICE_NOT_CONNECTED;
            const DWORD n = std::min(cb, m_range.second);
            for (DWORD i = 0; i < n; ++i) {
                const DWORD address = m_range.first + i;
                const size_t at = address - kBlockAddress;
                data[i] = at < block.size() ? block[at] : MemoryByte(address);
            }
            *returned = n;
            return S_OK;
        });
        filter->OnGet(VENDOR_PROPERTY_STATUS, [this](BYTE* data, DWORD cb, DWORD* returned) {
            if (statusFails)
                return E_FAIL;
            if (!statuses.empty()) {
                record = statuses.front();
                statuses.pop_front();
            }
            const auto bytes = record.ToBytes();
            *returned = std::min<DWORD>(cb, DeviceStatus::kWireSize);
            std::memcpy(data, bytes.data(), *returned);
            return S_OK;
        });
        filter->OnSet(VENDOR_PROPERTY_STATUS, [this](const std::vector<BYTE>& sent) {
            std::array<BYTE, DeviceStatus::kWireSize> bytes{};
            std::memcpy(bytes.data(), sent.data(), std::min(sent.size(), bytes.size()));
            statusWrites.push_back(DeviceStatus::FromBytes(bytes));
            record = DeviceStatus{};  // taken: the mailbox is empty again
            return S_OK;
        });
        filter->OnGet(VENDOR_PROPERTY_DEVICE_STATE, [this](BYTE* data, DWORD cb, DWORD* returned) {
            const std::optional<DWORD> state = states.front();
            if (states.size() > 1)
                states.pop_front();
            if (!state || cb < 4)
                return E_FAIL;
            std::memcpy(data, &*state, 4);
            *returned = 4;
            return S_OK;
        });
        filter->OnSet(VENDOR_PROPERTY_REQUEST_CAPABILITIES);
        filter->OnSet(VENDOR_PROPERTY_REQUEST_RESOLUTIONS);
        filter->OnSet(VENDOR_PROPERTY_REQUEST_JPEG, [this](const std::vector<BYTE>& sent) {
            jpegRequests.push_back(sent);
            return Post(jpegStill);
        });
        filter->OnSet(VENDOR_PROPERTY_REQUEST_RAW, [this](const std::vector<BYTE>& sent) {
            rawRequests.push_back(sent);
            return Post(rawStill);
        });
        filter->OnSet(VENDOR_PROPERTY_COMMAND, [this](const std::vector<BYTE>& sent) {
            commands.push_back(sent.empty() ? 0 : sent[0]);
            return S_OK;
        });
        channel.m_pCameraFilter = ComPtr<IBaseFilter>(filter.Get());
    }

    static DWORD Le32(const BYTE* p) {
        return DWORD{p[0]} | (DWORD{p[1]} << 8) | (DWORD{p[2]} << 16) | (DWORD{p[3]} << 24);
    }
    static DeviceStatus Ready(DWORD address, DWORD length) {
        return {address, length, DeviceStatus::kReady};
    }
    // A focus report as the firmware posts it.
    void PostFocus(DWORD value, DWORD flags = DeviceStatus::kReady) {
        record = DeviceStatus{0, value, flags};
    }
    // Transfers with one id, in order.
    std::vector<CFakePropertySet::Call> TransfersOf(DWORD id) const {
        std::vector<CFakePropertySet::Call> out;
        for (auto& c : filter->Transfers()) {
            if (c.id == id)
                out.push_back(c);
        }
        return out;
    }

    ComPtr<CFakePropertySet> filter;
    CVendorChannel channel;  // talks to `filter`
    BYTE firmwareRegister = VENDOR_FIRMWARE_PRESENT_BIT;
    DeviceStatus record;                          // the mailbox as the next read finds it
    std::deque<DeviceStatus> statuses;            // each read first takes the next of these
    std::deque<std::optional<DWORD>> states{1u};  // the last repeats; nullopt: the read fails
    BOOL statusFails = FALSE;
    BOOL refuseRequests = FALSE;
    std::vector<BYTE> jpegStill;
    std::vector<BYTE> rawStill;
    DWORD announcedLength = 0;  // 0: the still's own size
    std::vector<BYTE> block;    // the posted still, at kBlockAddress
    size_t memoryReads = 0;
    size_t failMemoryRead = 0;  // 1-based memory read that fails; 0 = none
    std::vector<std::vector<BYTE>> jpegRequests;
    std::vector<std::vector<BYTE>> rawRequests;
    std::vector<BYTE> commands;
    std::vector<DeviceStatus> statusWrites;

private:
    HRESULT Post(const std::vector<BYTE>& still) {
        if (refuseRequests)
            return E_FAIL;
        block = still;
        const DWORD length = announcedLength ? announcedLength : static_cast<DWORD>(still.size());
        record = Ready(kBlockAddress, length);
        return S_OK;
    }

    DWORD m_register = 0;
    std::pair<DWORD, DWORD> m_range{0, 0};
};

using ScriptedCamera = CScriptedCamera;
