// Where the snapshot view was when the utility last closed, kept beside the utility's own
// settings as "SnapshotViewLeft", "SnapshotViewTop", "SnapshotViewWidth" and
// "SnapshotViewHeight" (its frame's top-left corner and its inside size).
#pragma once

#include "ui/SettingsKey.h"

inline constexpr WindowPlaceNames kSnapshotViewPlaceNames{
    "SnapshotViewLeft", "SnapshotViewTop", "SnapshotViewWidth", "SnapshotViewHeight"};

// False when no whole place is stored (CSettingsKey::ReadPlace).
bool LoadSnapshotViewPlace(WindowPlace& place);
bool SaveSnapshotViewPlace(const WindowPlace& place);
