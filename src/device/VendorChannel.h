// CVendorChannel: the camera's private property set, reached through the object the camera's
// driver exposes it on. It is the property side of CCaptureDevice, which adds the capture
// graph and names that object: its camera filter.
#pragma once

#include <memory>

#include "device/BlockLimit.h"
#include "device/DeviceStatus.h"
#include "device/HostClock.h"
#include "device/SnapshotRequest.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Unknown.h"

class CVendorChannel {
public:
    CVendorChannel() = default;
    CVendorChannel(const CVendorChannel&) = delete;
    CVendorChannel& operator=(const CVendorChannel&) = delete;
    virtual ~CVendorChannel() = default;

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

protected:
    // The object every property operation addresses (the camera filter), or null.
    virtual IUnknown* PropertyTarget() const = 0;
};
