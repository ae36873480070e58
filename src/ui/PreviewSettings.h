// What the main dialog keeps for the preview between runs, beside the utility's own settings:
// the frames per second the next "New" asks of the camera ("PreviewRate", a REG_DWORD; the
// camera's stated 1 unless the operator chose otherwise) and whether the five regions are
// outlined on the preview ("PreviewOutlines").
#pragma once

#include "platform/com/Types.h"

inline constexpr const char kPreviewRateValue[] = "PreviewRate";
inline constexpr const char kPreviewOutlinesValue[] = "PreviewOutlines";

// The rates the dialog's menu offers.
inline constexpr LONG kStatedPreviewRate = 1;
inline constexpr LONG kFastPreviewRate = 10;

struct CPreviewSettings {
    LONG nFrameRate = kStatedPreviewRate;
    BOOL bOutlines = TRUE;

    // Reads what is stored; an absent or unreadable value, or a rate below 1, leaves its
    // default. FALSE when the key cannot be opened.
    BOOL Load();
    // Writes both as REG_DWORD values.
    BOOL Save() const;
};
