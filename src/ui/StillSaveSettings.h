// Where and in which format the operator last saved a still, kept with the utility's settings
// (HKEY_LOCAL_MACHINE\SOFTWARE\PXV58R) as the text values "SnapshotFolder" and
// "SnapshotFormat" ("PNG", "JPEG", "TIFF" or "BMP"). The start-up flags and the profile's
// values under the same key are never touched here.
#pragma once

#include <QString>

#include "ui/StillFile.h"

inline constexpr char kSnapshotFolderValue[] = "SnapshotFolder";
inline constexpr char kSnapshotFormatValue[] = "SnapshotFormat";

struct StillSaveSettings {
    QString folder;  // empty: none saved yet
    StillFormat format = StillFormat::Png;
};

// What was saved last; the defaults for a value that is absent, not text or not understood.
StillSaveSettings LoadStillSaveSettings();
// Keeps the folder of a file just written, and the format unless none is given.
void RememberStillSave(const QString& folder, const StillFormat* format = nullptr);
