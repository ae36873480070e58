#include "ui/FocusHistorySettings.h"

#include "platform/registry/RegistryFlag.h"
#include "product/Product.h"

namespace {

HKEY OpenSettingsKey() {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// A coordinate may be negative (a screen left of or above the first); it is kept as the
// DWORD of the same bits.
BOOL QueryLong(HKEY key, const char* name, LONG& value) {
    DWORD data = 0;
    DWORD type = 0;
    DWORD size = sizeof data;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        size != sizeof data)
        return FALSE;
    value = static_cast<LONG>(data);
    return TRUE;
}

bool IsSaneCoordinate(LONG value) {
    return value >= -kMaxRemembered_px && value <= kMaxRemembered_px;
}

LSTATUS SetLong(HKEY key, const char* name, LONG value) {
    const DWORD data = static_cast<DWORD>(value);
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                         sizeof data);
}

}  // namespace

BOOL CFocusHistorySettings::Load() {
    HKEY key = OpenSettingsKey();
    if (!key)
        return FALSE;
    QueryRegistryFlag(key, kHistoryShownValue, bShown);
    LONG left = 0;
    LONG top = 0;
    LONG width = 0;
    LONG height = 0;
    if (QueryLong(key, kHistoryLeftValue, left) && QueryLong(key, kHistoryTopValue, top) &&
        QueryLong(key, kHistoryWidthValue, width) && QueryLong(key, kHistoryHeightValue, height) &&
        width > 0 && height > 0 && IsSaneCoordinate(left) && IsSaneCoordinate(top) &&
        IsSaneCoordinate(width) && IsSaneCoordinate(height)) {
        bPlaced = TRUE;
        nLeft = left;
        nTop = top;
        nWidth = width;
        nHeight = height;
    }
    RegCloseKey(key);
    return TRUE;
}

BOOL CFocusHistorySettings::Save() const {
    HKEY key = OpenSettingsKey();
    if (!key)
        return FALSE;
    BOOL saved = SetRegistryFlag(key, kHistoryShownValue, bShown) == ERROR_SUCCESS;
    if (bPlaced) {
        saved = SetLong(key, kHistoryLeftValue, nLeft) == ERROR_SUCCESS && saved;
        saved = SetLong(key, kHistoryTopValue, nTop) == ERROR_SUCCESS && saved;
        saved = SetLong(key, kHistoryWidthValue, nWidth) == ERROR_SUCCESS && saved;
        saved = SetLong(key, kHistoryHeightValue, nHeight) == ERROR_SUCCESS && saved;
    }
    RegCloseKey(key);
    return saved;
}
