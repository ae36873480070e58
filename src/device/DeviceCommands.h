// The main dialog's exchanges with the camera that are property traffic only: the firmware
// check, device commands and the wait for the device to become ready after a connect.
#pragma once

#include <cstdint>

#include "platform/com/Types.h"

class CVendorChannel;

// A camera that has just enumerated reads state 0 for up to a second or two while its firmware
// boots; the bound keeps a camera that never comes up from holding the connect for ever.
inline constexpr int64_t kDeviceReadyTimeout_ms = 10000;
// Pause after every device-state read that did not say ready.
inline constexpr int64_t kDeviceStatePoll_ms = 10;

// Whether firmware runs in the camera (register 0x740 bit 5). A failed register read counts as
// no firmware, so a camera that does not answer is not driven further.
BOOL CheckFirmware(CVendorChannel& device);

// Writes an empty mailbox record through id 34 (the firmware expects a write ahead of every
// command; its result does not matter), then sends the command word with `code` in its low
// byte. Returns SendCommand's result.
BOOL SendDeviceCommand(CVendorChannel& device, char code);

// Reads the device state until it is exactly 1, pausing kDeviceStatePoll_ms after every failed
// read or other value. 0 when the bound passes first.
BOOL WaitForDeviceReady(CVendorChannel& device, int64_t timeout_ms = kDeviceReadyTimeout_ms);
