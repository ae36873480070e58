#include "ui/FocusHistorySettings.h"

namespace {

constexpr WindowPlaceNames kHistoryPlaceNames{kHistoryLeftValue, kHistoryTopValue,
                                              kHistoryWidthValue, kHistoryHeightValue};

}  // namespace

BOOL CFocusHistorySettings::Load() {
    const CSettingsKey key;
    if (!key.IsOpen())
        return FALSE;
    key.ReadFlag(kHistoryShownValue, bShown);
    key.ReadFlag(kHistoryRegionsValue, bRegionTraces);
    WindowPlace place;
    if (key.ReadPlace(kHistoryPlaceNames, place)) {
        bPlaced = TRUE;
        nLeft = place.nLeft;
        nTop = place.nTop;
        nWidth = place.nWidth;
        nHeight = place.nHeight;
    }
    return TRUE;
}

BOOL CFocusHistorySettings::Save() const {
    const CSettingsKey key;
    if (!key.IsOpen())
        return FALSE;
    bool saved = key.WriteFlag(kHistoryShownValue, bShown);
    saved = key.WriteFlag(kHistoryRegionsValue, bRegionTraces) && saved;
    if (bPlaced)
        saved = key.WritePlace(kHistoryPlaceNames, {nLeft, nTop, nWidth, nHeight}) && saved;
    return saved ? TRUE : FALSE;
}
