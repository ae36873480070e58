#include "ui/FocusHistorySettings.h"

#include "ui/SettingsKey.h"

namespace {

bool IsSaneCoordinate(LONG value) {
    return value >= -kMaxRemembered_px && value <= kMaxRemembered_px;
}

}  // namespace

BOOL CFocusHistorySettings::Load() {
    const CSettingsKey key;
    if (!key.IsOpen())
        return FALSE;
    key.ReadFlag(kHistoryShownValue, bShown);
    key.ReadFlag(kHistoryRegionsValue, bRegionTraces);
    LONG left = 0;
    LONG top = 0;
    LONG width = 0;
    LONG height = 0;
    if (key.ReadLong(kHistoryLeftValue, left) && key.ReadLong(kHistoryTopValue, top) &&
        key.ReadLong(kHistoryWidthValue, width) && key.ReadLong(kHistoryHeightValue, height) &&
        width > 0 && height > 0 && IsSaneCoordinate(left) && IsSaneCoordinate(top) &&
        IsSaneCoordinate(width) && IsSaneCoordinate(height)) {
        bPlaced = TRUE;
        nLeft = left;
        nTop = top;
        nWidth = width;
        nHeight = height;
    }
    return TRUE;
}

BOOL CFocusHistorySettings::Save() const {
    const CSettingsKey key;
    if (!key.IsOpen())
        return FALSE;
    bool saved = key.WriteFlag(kHistoryShownValue, bShown);
    saved = key.WriteFlag(kHistoryRegionsValue, bRegionTraces) && saved;
    if (bPlaced) {
        saved = key.WriteLong(kHistoryLeftValue, nLeft) && saved;
        saved = key.WriteLong(kHistoryTopValue, nTop) && saved;
        saved = key.WriteLong(kHistoryWidthValue, nWidth) && saved;
        saved = key.WriteLong(kHistoryHeightValue, nHeight) && saved;
    }
    return saved ? TRUE : FALSE;
}
