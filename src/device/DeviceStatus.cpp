#include "device/DeviceStatus.h"

#include "device/WireFormat.h"

std::array<BYTE, DeviceStatus::kWireSize> DeviceStatus::ToBytes() const {
    std::array<BYTE, kWireSize> bytes{};
    wire::PutU32(&bytes[0], address);
    wire::PutU32(&bytes[4], lengthOrValue);
    wire::PutU32(&bytes[8], flags);
    return bytes;
}

DeviceStatus DeviceStatus::FromBytes(const std::array<BYTE, kWireSize>& bytes) {
    return DeviceStatus{wire::GetU32(&bytes[0]), wire::GetU32(&bytes[4]), wire::GetU32(&bytes[8])};
}
