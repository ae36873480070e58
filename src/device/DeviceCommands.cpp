#include "device/DeviceCommands.h"

#include <chrono>
#include <thread>

#include "device/VendorChannel.h"
#include "platform/ks/VendorPropertySet.h"

BOOL CheckFirmware(CVendorChannel& device) {
    BYTE value = 0;
    if (!device.ReadRegister(VENDOR_REGISTER_FIRMWARE, value))
        return FALSE;
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
        if (device.GetDeviceState(state) && state == 1)
            return TRUE;
        if (Clock::now() >= deadline)
            return FALSE;
        std::this_thread::sleep_for(std::chrono::milliseconds(kDeviceStatePoll_ms));
    }
}
