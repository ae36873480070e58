#include "device/DeviceProfile.h"

#include "device/BlockLimit.h"
#include "device/DeviceLog.h"
#include "device/MailboxTransfer.h"
#include "device/VendorChannel.h"
#include "platform/log/Log.h"
#include "platform/registry/RegistryFlag.h"
#include "product/Product.h"

namespace {

HKEY OpenSettingsKey(const char* purpose) {
    HKEY key = nullptr;
    const LSTATUS status =
        RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        LogWarning(kLogDevice, "device profile: settings key not opened to %s: 0x%08X", purpose,
                   LogStatus(status));
        return nullptr;
    }
    return key;
}

}  // namespace

BOOL CDeviceProfile::LoadFromDevice(CVendorChannel& device, int64_t timeout_ms) {
    m_capabilities.Read(device, timeout_ms);
    m_bEnhanceJpeg = FALSE;
    m_bCap10Bpp = FALSE;
    LoadSettings();
    const BOOL read =
        FetchSmallBlock(device, SmallBlock::ResolutionTable, m_resolutionTable.bytes.data(),
                        ResolutionTable::kWireSize, timeout_ms);
    // The table the snapshot flows will use (this one, or the one kept) bounds the downloads.
    device.m_nMaxBlockSize = StillBlockLimit(m_resolutionTable);
    return read;
}

BOOL CDeviceProfile::Save() {
    // Flags never read this run are not known; writing them would wipe what is stored.
    if (m_bSettingsLoaded)
        SaveSettings();
    return TRUE;
}

BOOL CDeviceProfile::LoadSettings() {
    HKEY key = OpenSettingsKey("read");
    if (!key)
        return FALSE;
    QueryRegistryFlag(key, "EnhanceJPEG", m_bEnhanceJpeg);
    QueryRegistryFlag(key, "Cap10Bpp", m_bCap10Bpp);
    RegCloseKey(key);
    m_bSettingsLoaded = TRUE;
    return TRUE;
}

BOOL CDeviceProfile::SaveSettings() {
    HKEY key = OpenSettingsKey("write");
    if (!key)
        return FALSE;
    SetRegistryFlag(key, "EnhanceJPEG", m_bEnhanceJpeg);
    SetRegistryFlag(key, "Cap10Bpp", m_bCap10Bpp);
    RegCloseKey(key);
    return TRUE;
}

BOOL CDeviceProfile::GetResolution(DWORD index, ResolutionEntry& entry) const {
    if (index >= m_resolutionTable.Count() || index >= ResolutionTable::kMaxEntries)
        return FALSE;
    entry = m_resolutionTable.Entry(index);
    return TRUE;
}
