#include "ui/CameraChoice.h"

#include "product/Product.h"
#include "ui/SettingsKey.h"

std::string LoadCameraName() {
    const CSettingsKey key;
    QString name;
    if (!key.ReadText(kCameraNameValue, name) || name.isEmpty())
        return kCameraName;
    return name.toStdString();
}

BOOL SaveCameraName(const std::string& name) {
    const CSettingsKey key;
    return key.WriteText(kCameraNameValue, QString::fromStdString(name)) ? TRUE : FALSE;
}
