// CVendorChannel: the camera's private property set, reached through the object the camera's
// driver exposes it on. CCaptureDevice has one, on the camera filter it holds.
#pragma once

#include <functional>
#include <memory>

#include "device/BlockLimit.h"
#include "device/DeviceStatus.h"
#include "device/HostClock.h"
#include "device/SnapshotRequest.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Unknown.h"

class CVendorChannel {
public:
    // `target` names the object every property operation addresses (the camera filter), or
    // null; it is asked at each operation, so the channel follows whatever its owner holds.
    explicit CVendorChannel(std::function<IUnknown*()> target) : m_target(std::move(target)) {}
    CVendorChannel(const CVendorChannel&) = delete;
    CVendorChannel& operator=(const CVendorChannel&) = delete;

    // Each returns nonzero on success and 0 on failure, leaving outputs untouched or partly
    // written. A read the driver answers short still succeeds; the status record and the
    // device state then read zero where nothing came. Without a camera filter every operation
    // fails without a call.
    BOOL ReadRegister(DWORD address, BYTE& value);
    BOOL ReadMemory(DWORD address, DWORD length, BYTE* buffer);
    BOOL GetStatus(DeviceStatus& status);
    BOOL WriteStatus(const DeviceStatus& status);
    BOOL RequestCapabilities();
    BOOL RequestResolutionTable();
    BOOL RequestJpegSnapshot(const SnapshotRequest& request);
    BOOL RequestRawSnapshot(DWORD parameter);
    BOOL SendCommand(DWORD command);
    BOOL GetDeviceState(DWORD& state);

    // The clock that bounds mailbox waits and downloads on this camera.
    std::shared_ptr<IHostClock> m_pClock = SteadyHostClock();
    // The largest block a download takes from this camera; the profile sets it from the
    // resolution table at connect.
    DWORD m_nMaxBlockSize = kUnknownCameraBlockLimit;

private:
    IUnknown* PropertyTarget() const { return m_target ? m_target() : nullptr; }

    std::function<IUnknown*()> m_target;
};
