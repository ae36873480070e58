// CDeviceProfile: what the utility keeps about the connected camera, created at start-up,
// refreshed at every connect and saved at close: the capability word, the two registry flags
// "EnhanceJPEG" and "Cap10Bpp", and the resolution table.
#pragma once

#include "device/DeviceCapabilities.h"
#include "device/ResolutionTable.h"

class CVendorChannel;

class CDeviceProfile {
public:
    CDeviceProfile() = default;
    virtual ~CDeviceProfile() = default;

    // Refreshes everything from the camera and the registry; nonzero when the resolution
    // table was read. A fetch that fails keeps the previous word or table. Each mailbox wait
    // is bounded by `timeout_ms`. Sets the device's download limit from the table it keeps.
    BOOL LoadFromDevice(CVendorChannel& device, int64_t timeout_ms = kMailboxTimeout_ms);
    // Writes the two flags back if LoadSettings has read them this run, and leaves the stored
    // values alone otherwise; always nonzero.
    BOOL Save();
    // 0 when the registry key cannot be opened (the flags are then left alone).
    BOOL LoadSettings();
    BOOL SaveSettings();
    // Nonzero when entry `index` exists (below the table's count and below 5).
    BOOL GetResolution(DWORD index, ResolutionEntry& entry) const;

    CDeviceCapabilities m_capabilities;
    BOOL m_bEnhanceJpeg = FALSE;
    BOOL m_bCap10Bpp = FALSE;
    ResolutionTable m_resolutionTable;  // count 0 until a table is read

private:
    BOOL m_bSettingsLoaded = FALSE;  // LoadSettings has succeeded at least once
};
