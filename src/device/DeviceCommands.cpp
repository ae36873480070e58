#include "device/DeviceCommands.h"

#include <chrono>
#include <thread>

#include "device/DeviceLog.h"
#include "device/VendorChannel.h"
#include "platform/ks/VendorPropertySet.h"
#include "platform/log/Log.h"

BOOL CheckFirmware(CVendorChannel& device) {
    BYTE value = 0;
    if (!device.ReadRegister(VENDOR_REGISTER_FIRMWARE, value)) {
        LogWarning(kLogDevice, "firmware check: register 0x%X unread, taken as no firmware",
                   VENDOR_REGISTER_FIRMWARE);
        return FALSE;
    }
    LogDebug(kLogDevice, "firmware check: register 0x%X reads 0x%02X", VENDOR_REGISTER_FIRMWARE,
             value);
    return (value & VENDOR_FIRMWARE_PRESENT_BIT) ? TRUE : FALSE;
}

BOOL SendDeviceCommand(CVendorChannel& device, char code) {
    device.WriteStatus(DeviceStatus{});
    const DWORD command = static_cast<BYTE>(code);
    return device.SendCommand(command);
}

BOOL WaitForDeviceReady(CVendorChannel& device, int64_t timeout_ms) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        DWORD state = 0;
        const BOOL read = device.GetDeviceState(state);
        if (read && state == 1)
            return TRUE;
        if (Clock::now() >= deadline) {
            if (read) {
                LogWarning(kLogDevice, "device not ready within %lld ms: the state reads %u",
                           static_cast<long long>(timeout_ms), state);
            } else {
                LogWarning(kLogDevice, "device not ready within %lld ms: the state cannot be read",
                           static_cast<long long>(timeout_ms));
            }
            return FALSE;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kDeviceStatePoll_ms));
    }
}
