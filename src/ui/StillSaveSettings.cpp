#include "ui/StillSaveSettings.h"

#include <QByteArray>
#include <vector>

#include "platform/registry/Registry.h"
#include "product/Product.h"

namespace {

// A folder path of the platform's longest, with its final zero.
constexpr DWORD kMaxTextBytes = 4096 + 1;

class CSettingsKey {
public:
    CSettingsKey() {
        DWORD disposition = 0;
        if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &m_key, &disposition) != ERROR_SUCCESS) {
            m_key = nullptr;
        }
    }
    ~CSettingsKey() {
        if (m_key)
            RegCloseKey(m_key);
    }
    CSettingsKey(const CSettingsKey&) = delete;
    CSettingsKey& operator=(const CSettingsKey&) = delete;

    bool ReadText(const char* name, QString& text) const {
        std::vector<BYTE> data(kMaxTextBytes);
        DWORD type = REG_NONE;
        DWORD size = kMaxTextBytes;
        if (!m_key ||
            RegQueryValueEx(m_key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS ||
            type != REG_SZ || size == 0 || size > kMaxTextBytes) {
            return false;
        }
        // Text is kept with its final zero; a value without one is taken as it is.
        if (data[size - 1] == 0)
            --size;
        text = QString::fromUtf8(reinterpret_cast<const char*>(data.data()),
                                 static_cast<qsizetype>(size));
        return true;
    }
    void WriteText(const char* name, const QString& text) const {
        if (!m_key)
            return;
        const QByteArray bytes = text.toUtf8();
        std::vector<BYTE> data(bytes.begin(), bytes.end());
        data.push_back(0);
        RegSetValueEx(m_key, name, 0, REG_SZ, data.data(), static_cast<DWORD>(data.size()));
    }

private:
    HKEY m_key = nullptr;
};

}  // namespace

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
