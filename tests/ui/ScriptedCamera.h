// A camera filter that plays the firmware's side of the vendor property set from a script:
// a mailbox record, one block of device memory, requests that post into the mailbox, and
// commands. Every call is recorded by the underlying CFakePropertySet.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "device/DeviceStatus.h"
#include "fakes/FakePropertySet.h"
#include "platform/ks/VendorPropertySet.h"

class ScriptedCamera {
public:
    static constexpr DWORD kBlockAddress = 0x00100000;

    ScriptedCamera() : filter(MakeComObject<CFakePropertySet>()) {
        filter->OnSet(VENDOR_PROPERTY_REGISTER_ADDRESS);
        filter->OnGetBytes(VENDOR_PROPERTY_REGISTER_VALUE, {VENDOR_FIRMWARE_PRESENT_BIT});
        filter->OnGet(VENDOR_PROPERTY_DEVICE_STATE, [](BYTE* data, DWORD cb, DWORD* returned) {
            const DWORD ready = 1;
            std::memcpy(data, &ready, std::min<DWORD>(cb, 4));
            *returned = 4;
            return S_OK;
        });
        filter->OnGet(VENDOR_PROPERTY_STATUS, [this](BYTE* data, DWORD cb, DWORD* returned) {
            if (statusFails)
                return E_FAIL;
            const auto bytes = record.ToBytes();
            std::memcpy(data, bytes.data(), std::min<size_t>(cb, bytes.size()));
            *returned = static_cast<DWORD>(bytes.size());
            return S_OK;
        });
        filter->OnSet(VENDOR_PROPERTY_STATUS, [this](const std::vector<BYTE>& sent) {
            std::array<BYTE, DeviceStatus::kWireSize> bytes{};
            std::memcpy(bytes.data(), sent.data(), std::min(sent.size(), bytes.size()));
            statusWrites.push_back(DeviceStatus::FromBytes(bytes));
            record = DeviceStatus{};  // taken: the mailbox is empty again
            return S_OK;
        });
        filter->OnSet(VENDOR_PROPERTY_MEMORY_RANGE, [this](const std::vector<BYTE>& sent) {
            std::memcpy(&m_readAddress, sent.data(), 4);
            std::memcpy(&m_readLength, sent.data() + 4, 4);
            return S_OK;
        });
        filter->OnGet(VENDOR_PROPERTY_MEMORY_DATA, [this](BYTE* data, DWORD cb, DWORD* returned) {
            for (DWORD i = 0; i < cb; ++i) {
                const size_t at = m_readAddress - kBlockAddress + i;
                data[i] = at < block.size() ? block[at] : 0;
            }
            *returned = cb;
            return S_OK;
        });
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
    }

    // A focus report as the firmware posts it.
    void PostFocus(DWORD value, DWORD flags = DeviceStatus::kReady) {
        record = DeviceStatus{0, value, flags};
    }

    ComPtr<CFakePropertySet> filter;
    DeviceStatus record;
    BOOL statusFails = FALSE;
    BOOL refuseRequests = FALSE;
    std::vector<BYTE> jpegStill;
    std::vector<BYTE> rawStill;
    DWORD announcedLength = 0;  // 0: the still's own size
    std::vector<BYTE> block;
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
        record = DeviceStatus{kBlockAddress, length, DeviceStatus::kReady};
        return S_OK;
    }

    DWORD m_readAddress = 0;
    DWORD m_readLength = 0;
};
