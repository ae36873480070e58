#include "device/DeviceProfile.h"

#include "device/BlockLimit.h"
#include "device/MailboxTransfer.h"
#include "device/VendorChannel.h"
#include "platform/registry/Registry.h"

namespace {

HKEY OpenSettingsKey() {
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

// Any 4-byte value counts, whatever its stored type; an absent or longer one leaves `flag`.
void QueryFlag(HKEY key, const char* name, BOOL& flag) {
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
        ERROR_SUCCESS) {
        flag = value != 0 ? TRUE : FALSE;
    }
}

void WriteFlag(HKEY key, const char* name, BOOL flag) {
    const DWORD value = flag ? 1 : 0;
    RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
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
    HKEY key = OpenSettingsKey();
    if (!key)
        return FALSE;
    QueryFlag(key, "EnhanceJPEG", m_bEnhanceJpeg);
    QueryFlag(key, "Cap10Bpp", m_bCap10Bpp);
    RegCloseKey(key);
    m_bSettingsLoaded = TRUE;
    return TRUE;
}

BOOL CDeviceProfile::SaveSettings() {
    HKEY key = OpenSettingsKey();
    if (!key)
        return FALSE;
    WriteFlag(key, "EnhanceJPEG", m_bEnhanceJpeg);
    WriteFlag(key, "Cap10Bpp", m_bCap10Bpp);
    RegCloseKey(key);
    return TRUE;
}

BOOL CDeviceProfile::GetResolution(DWORD index, ResolutionEntry& entry) const {
    if (index >= m_resolutionTable.Count() || index >= ResolutionTable::kMaxEntries)
        return FALSE;
    entry = m_resolutionTable.Entry(index);
    return TRUE;
}
