// The camera driver's private property set, as its driver publishes it: the set GUID and the
// property ids. Payload layouts are described where they are built.
#pragma once

#include "platform/com/Guid.h"
#include "platform/com/Types.h"

inline constexpr GUID VendorPropertySet{
    0xFA4BB022, 0xCB5C, 0x44A2, {0x80, 0xB8, 0x19, 0xED, 0x4A, 0x51, 0x4A, 0x4A}};

enum VendorPropertyId : DWORD {
    VENDOR_PROPERTY_REGISTER_ADDRESS = 0,  // Set, u32: selects the register id 2 returns
    VENDOR_PROPERTY_MEMORY_RANGE = 1,      // Set, u32 address + u32 length
    VENDOR_PROPERTY_REGISTER_VALUE = 2,    // Get, u8
    VENDOR_PROPERTY_MEMORY_DATA = 3,       // Get, the selected range
    VENDOR_PROPERTY_STATUS = 34,           // Get/Set, the 12-byte mailbox record
    VENDOR_PROPERTY_REQUEST_CAPABILITIES = 49,
    VENDOR_PROPERTY_REQUEST_JPEG = 59,  // Set, 34-byte snapshot request
    VENDOR_PROPERTY_REQUEST_RESOLUTIONS = 60,
    VENDOR_PROPERTY_REQUEST_RAW = 61,  // Set, u32 parameter
    VENDOR_PROPERTY_COMMAND = 66,      // Set, u32 command word
    VENDOR_PROPERTY_DEVICE_STATE = 67  // Get, u32
};

// Register whose bit 5 tells that firmware runs in the camera.
inline constexpr DWORD VENDOR_REGISTER_FIRMWARE = 0x740;
inline constexpr BYTE VENDOR_FIRMWARE_PRESENT_BIT = 0x20;

// Command codes sent through VENDOR_PROPERTY_COMMAND (low byte of the command word).
inline constexpr char VENDOR_COMMAND_PREVIEW_STARTED = 'A';  // 65
inline constexpr char VENDOR_COMMAND_PREVIEW_STOPPED = 'B';  // 66

// The focus figure a focus report carries when the measure ran out of range.
inline constexpr LONG VENDOR_FOCUS_OVERFLOW = 0x8000;
