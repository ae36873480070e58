#include "device/SnapshotRequest.h"

#include "device/WireFormat.h"

std::array<BYTE, SnapshotRequest::kWireSize> SnapshotRequest::ToBytes() const {
    std::array<BYTE, kWireSize> bytes{};
    wire::PutU32(&bytes[0], mode);
    wire::PutU16(&bytes[4], width);
    wire::PutU16(&bytes[6], height);
    return bytes;
}
