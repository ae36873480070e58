#include "ui/StillSaveSettings.h"

#include "ui/SettingsKey.h"

StillSaveSettings LoadStillSaveSettings() {
    StillSaveSettings settings;
    const CSettingsKey key;
    QString text;
    if (key.ReadText(kSnapshotFolderValue, text))
        settings.folder = text;
    if (key.ReadText(kSnapshotFormatValue, text)) {
        if (const std::optional<StillFormat> format = StillFormatFromName(text))
            settings.format = *format;
    }
    return settings;
}

void RememberStillSave(const QString& folder, const StillFormat* format) {
    const CSettingsKey key;
    key.WriteText(kSnapshotFolderValue, folder);
    if (format)
        key.WriteText(kSnapshotFormatValue, QString::fromLatin1(InfoOf(*format).name));
}
