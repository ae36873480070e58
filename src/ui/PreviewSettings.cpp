#include "ui/PreviewSettings.h"

#include "ui/SettingsKey.h"

BOOL CPreviewSettings::Load() {
    const CSettingsKey key;
    if (!key.IsOpen())
        return FALSE;
    LONG rate = 0;
    // A rate below 1 has no frame interval: the camera would refuse it and keep its own.
    if (key.ReadLong(kPreviewRateValue, rate) && rate >= 1)
        nFrameRate = rate;
    key.ReadFlag(kPreviewOutlinesValue, bOutlines);
    return TRUE;
}

BOOL CPreviewSettings::Save() const {
    const CSettingsKey key;
    const bool rate = key.WriteLong(kPreviewRateValue, nFrameRate);
    const bool outlines = key.WriteFlag(kPreviewOutlinesValue, bOutlines);
    return rate && outlines ? TRUE : FALSE;
}
