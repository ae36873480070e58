#include "device/VendorChannel.h"

#include <array>

#include "device/DeviceLog.h"
#include "device/PropertyAccessor.h"
#include "device/WireFormat.h"
#include "platform/ks/VendorPropertySet.h"
#include "platform/log/Log.h"

namespace {

BOOL Get(IUnknown* filter, DWORD id, void* data, DWORD length) {
    if (!filter) {
        LogWarning(kLogDevice, "Get of property %u: no camera filter is held", id);
        return FALSE;
    }
    return CPropertyAccessor().GetProperty(filter, VendorPropertySet, id, data, length);
}

BOOL Set(IUnknown* filter, DWORD id, void* data, DWORD length) {
    if (!filter) {
        LogWarning(kLogDevice, "Set of property %u: no camera filter is held", id);
        return FALSE;
    }
    return CPropertyAccessor().SetProperty(filter, VendorPropertySet, id, data, length);
}

BOOL SetU32(IUnknown* filter, DWORD id, DWORD value) {
    BYTE bytes[4];
    wire::PutU32(bytes, value);
    return Set(filter, id, bytes, sizeof bytes);
}

}  // namespace

BOOL CVendorChannel::ReadRegister(DWORD address, BYTE& value) {
    if (!SetU32(PropertyTarget(), VENDOR_PROPERTY_REGISTER_ADDRESS, address))
        return FALSE;
    return Get(PropertyTarget(), VENDOR_PROPERTY_REGISTER_VALUE, &value, 1);
}

BOOL CVendorChannel::ReadMemory(DWORD address, DWORD length, BYTE* buffer) {
    BYTE range[8];
    wire::PutU32(&range[0], address);
    wire::PutU32(&range[4], length);
    if (!Set(PropertyTarget(), VENDOR_PROPERTY_MEMORY_RANGE, range, sizeof range)) {
        return FALSE;
    }
    return Get(PropertyTarget(), VENDOR_PROPERTY_MEMORY_DATA, buffer, length);
}

BOOL CVendorChannel::GetStatus(DeviceStatus& status) {
    // Zeroed: a short answer counts as a read, and what did not come must read as nothing.
    std::array<BYTE, DeviceStatus::kWireSize> bytes{};
    if (!Get(PropertyTarget(), VENDOR_PROPERTY_STATUS, bytes.data(), DeviceStatus::kWireSize)) {
        return FALSE;
    }
    status = DeviceStatus::FromBytes(bytes);
    return TRUE;
}

BOOL CVendorChannel::WriteStatus(const DeviceStatus& status) {
    std::array<BYTE, DeviceStatus::kWireSize> bytes = status.ToBytes();
    return Set(PropertyTarget(), VENDOR_PROPERTY_STATUS, bytes.data(), DeviceStatus::kWireSize);
}

BOOL CVendorChannel::RequestCapabilities() {
    return Set(PropertyTarget(), VENDOR_PROPERTY_REQUEST_CAPABILITIES, nullptr, 0);
}

BOOL CVendorChannel::RequestResolutionTable() {
    return Set(PropertyTarget(), VENDOR_PROPERTY_REQUEST_RESOLUTIONS, nullptr, 0);
}

BOOL CVendorChannel::RequestJpegSnapshot(const SnapshotRequest& request) {
    std::array<BYTE, SnapshotRequest::kWireSize> bytes = request.ToBytes();
    return Set(PropertyTarget(), VENDOR_PROPERTY_REQUEST_JPEG, bytes.data(),
               SnapshotRequest::kWireSize);
}

BOOL CVendorChannel::RequestRawSnapshot(DWORD parameter) {
    return SetU32(PropertyTarget(), VENDOR_PROPERTY_REQUEST_RAW, parameter);
}

BOOL CVendorChannel::SendCommand(DWORD command) {
    return SetU32(PropertyTarget(), VENDOR_PROPERTY_COMMAND, command);
}

BOOL CVendorChannel::GetDeviceState(DWORD& state) {
    BYTE bytes[4] = {};  // zeroed, as the status record is
    if (!Get(PropertyTarget(), VENDOR_PROPERTY_DEVICE_STATE, bytes, sizeof bytes)) {
        return FALSE;
    }
    state = wire::GetU32(bytes);
    return TRUE;
}
