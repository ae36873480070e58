// CFocusHistorySettings: what the focus history window remembers between runs, kept beside
// the utility's own settings: whether it opens with the preview, whether its chart shows the
// five regions, and where it was (its frame's top-left corner and its inside size, in screen
// pixels).
#pragma once

#include "platform/com/Types.h"
#include "ui/SettingsKey.h"

// Values under the settings key; none of the utility's own names.
inline constexpr const char kHistoryShownValue[] = "FocusHistory";
inline constexpr const char kHistoryRegionsValue[] = "FocusHistoryRegions";
inline constexpr const char kHistoryLeftValue[] = "FocusHistoryLeft";
inline constexpr const char kHistoryTopValue[] = "FocusHistoryTop";
inline constexpr const char kHistoryWidthValue[] = "FocusHistoryWidth";
inline constexpr const char kHistoryHeightValue[] = "FocusHistoryHeight";

struct CFocusHistorySettings {
    BOOL bShown = TRUE;          // opens with the preview
    BOOL bRegionTraces = FALSE;  // the chart draws the regions' MTF50s beside the figure
    BOOL bPlaced = FALSE;        // the four below hold a place
    LONG nLeft = 0;
    LONG nTop = 0;
    LONG nWidth = 0;
    LONG nHeight = 0;

    // Reads what is stored; an absent or unreadable value leaves its default, and a place
    // counts only when whole (CSettingsKey::ReadPlace). FALSE when the key cannot be opened.
    BOOL Load();
    // Writes the flags, and the place when there is one, as REG_DWORD values; the key's other
    // values stay as they are.
    BOOL Save() const;
};
