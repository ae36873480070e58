#include "ui/SnapshotViewSettings.h"

bool LoadSnapshotViewPlace(WindowPlace& place) {
    return CSettingsKey().ReadPlace(kSnapshotViewPlaceNames, place);
}

bool SaveSnapshotViewPlace(const WindowPlace& place) {
    return CSettingsKey().WritePlace(kSnapshotViewPlaceNames, place);
}
