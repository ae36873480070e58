// A camera scripted on the fake property set: registers, a mailbox that answers from a queue
// (the last answer repeats), device memory whose every byte is a known function of its
// address, and a device-state queue. Tests read what was said to it from m_pFake->m_calls.
#pragma once

#include <algorithm>
#include <deque>
#include <optional>

#include "device/DeviceStatus.h"
#include "device/VendorChannel.h"
#include "fakes/FakePropertySet.h"
#include "platform/ks/VendorPropertySet.h"

// The byte device memory holds at `address`.
inline BYTE MemoryByte(DWORD address) {
    return static_cast<BYTE>((address * 7u) ^ (address >> 9));
}

class CScriptedCamera {
public:
    CScriptedCamera(const CScriptedCamera&) = delete;
    CScriptedCamera& operator=(const CScriptedCamera&) = delete;
    CScriptedCamera() : m_pFake(MakeComObject<CFakePropertySet>()) {
        CFakePropertySet& fake = *m_pFake.Get();
        fake.OnSet(VENDOR_PROPERTY_REGISTER_ADDRESS, [this](const std::vector<BYTE>& sent) {
            m_register = sent.size() == 4 ? Le32(sent.data()) : 0xFFFFFFFF;
            return S_OK;
        });
        fake.OnGet(VENDOR_PROPERTY_REGISTER_VALUE, [this](BYTE* data, DWORD cb, DWORD* returned) {
            if (cb < 1)
                return E_INVALIDARG;
            *data = m_register == VENDOR_REGISTER_FIRMWARE ? m_firmwareRegister : 0;
            *returned = 1;
            return S_OK;
        });
        fake.OnSet(VENDOR_PROPERTY_MEMORY_RANGE, [this](const std::vector<BYTE>& sent) {
            if (sent.size() != 8)
                return E_INVALIDARG;
            m_range = {Le32(sent.data()), Le32(sent.data() + 4)};
            return S_OK;
        });
        fake.OnGet(VENDOR_PROPERTY_MEMORY_DATA, [this](BYTE* data, DWORD cb, DWORD* returned) {
            ++m_memoryReads;
            if (m_failMemoryRead == m_memoryReads)
                return HRESULT_DEVICE_NOT_CONNECTED;
            const DWORD n = std::min(cb, m_range.second);
            for (DWORD i = 0; i < n; ++i)
                data[i] = MemoryByte(m_range.first + i);
            *returned = n;
            return S_OK;
        });
        fake.OnGet(VENDOR_PROPERTY_STATUS, [this](BYTE* data, DWORD cb, DWORD* returned) {
            if (m_statuses.empty() || cb < 12)
                return E_FAIL;
            const auto bytes = m_statuses.front().ToBytes();
            if (m_statuses.size() > 1)
                m_statuses.pop_front();
            std::copy(bytes.begin(), bytes.end(), data);
            *returned = 12;
            return S_OK;
        });
        fake.OnGet(VENDOR_PROPERTY_DEVICE_STATE, [this](BYTE* data, DWORD cb, DWORD* returned) {
            if (m_states.empty() || cb < 4)
                return E_FAIL;
            const std::optional<DWORD> state = m_states.front();
            if (m_states.size() > 1)
                m_states.pop_front();
            if (!state)
                return E_FAIL;
            for (int i = 0; i < 4; ++i)
                data[i] = static_cast<BYTE>(*state >> (8 * i));
            *returned = 4;
            return S_OK;
        });
        for (DWORD id : {VENDOR_PROPERTY_STATUS, VENDOR_PROPERTY_REQUEST_CAPABILITIES,
                         VENDOR_PROPERTY_REQUEST_JPEG, VENDOR_PROPERTY_REQUEST_RESOLUTIONS,
                         VENDOR_PROPERTY_REQUEST_RAW, VENDOR_PROPERTY_COMMAND}) {
            fake.OnSet(id);
        }
        m_channel.m_pCameraFilter = ComPtr<IBaseFilter>(m_pFake.Get());
    }

    static DWORD Le32(const BYTE* p) {
        return DWORD{p[0]} | (DWORD{p[1]} << 8) | (DWORD{p[2]} << 16) | (DWORD{p[3]} << 24);
    }
    static DeviceStatus Ready(DWORD address, DWORD length) { return {address, length, 1}; }

    CFakePropertySet& Fake() { return *m_pFake.Get(); }
    // Transfers with one id, in order.
    std::vector<CFakePropertySet::Call> TransfersOf(DWORD id) const {
        std::vector<CFakePropertySet::Call> out;
        for (auto& c : m_pFake->Transfers()) {
            if (c.id == id)
                out.push_back(c);
        }
        return out;
    }

    ComPtr<CFakePropertySet> m_pFake;
    CVendorChannel m_channel;
    BYTE m_firmwareRegister = 0x20;
    DWORD m_register = 0;
    std::pair<DWORD, DWORD> m_range{0, 0};
    std::deque<DeviceStatus> m_statuses;
    std::deque<std::optional<DWORD>> m_states;
    size_t m_memoryReads = 0;
    size_t m_failMemoryRead = 0;  // 1-based memory read that fails; 0 = none
};
