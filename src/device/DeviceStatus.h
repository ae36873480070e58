// DeviceStatus: the camera's 12-byte mailbox record, three little-endian u32 fields on the wire.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/com/Types.h"

struct DeviceStatus {
    static constexpr DWORD kReady = 0x1;  // flags bit 0: the record holds something for the host
    static constexpr size_t kWireSize = 12;

    DWORD address = 0;
    DWORD lengthOrValue = 0;
    DWORD flags = 0;

    bool IsReady() const { return (flags & kReady) != 0; }

    // The record as it travels through property 34, whatever the host's struct packing.
    std::array<BYTE, kWireSize> ToBytes() const;
    static DeviceStatus FromBytes(const std::array<BYTE, kWireSize>& bytes);

    friend bool operator==(const DeviceStatus&, const DeviceStatus&) = default;
};
