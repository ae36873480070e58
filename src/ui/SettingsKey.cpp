#include "ui/SettingsKey.h"

#include <QByteArray>
#include <vector>

#include "platform/registry/RegistryFlag.h"
#include "product/Product.h"

namespace {

// A folder path of the platform's longest, with its final zero.
constexpr DWORD kMaxTextBytes = 4096 + 1;

bool IsSaneCoordinate(LONG value) {
    return value >= -kMaxRemembered_px && value <= kMaxRemembered_px;
}

}  // namespace

CSettingsKey::CSettingsKey() {
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, &m_key, &disposition) != ERROR_SUCCESS)
        m_key = nullptr;
}

CSettingsKey::~CSettingsKey() {
    if (m_key)
        RegCloseKey(m_key);
}

bool CSettingsKey::ReadLong(const char* name, LONG& value) const {
    DWORD data = 0;
    DWORD type = 0;
    DWORD size = sizeof data;
    if (!m_key ||
        RegQueryValueEx(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        size != sizeof data)
        return false;
    value = static_cast<LONG>(data);
    return true;
}

bool CSettingsKey::WriteLong(const char* name, LONG value) const {
    const DWORD data = static_cast<DWORD>(value);
    return m_key && RegSetValueEx(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                  sizeof data) == ERROR_SUCCESS;
}

bool CSettingsKey::ReadFlag(const char* name, BOOL& flag) const {
    return m_key && QueryRegistryFlag(m_key, name, flag);
}

bool CSettingsKey::WriteFlag(const char* name, BOOL flag) const {
    return m_key && SetRegistryFlag(m_key, name, flag) == ERROR_SUCCESS;
}

bool CSettingsKey::ReadText(const char* name, QString& text) const {
    std::vector<BYTE> data(kMaxTextBytes);
    DWORD type = REG_NONE;
    DWORD size = kMaxTextBytes;
    if (!m_key ||
        RegQueryValueEx(m_key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS ||
        type != REG_SZ || size == 0 || size > kMaxTextBytes)
        return false;
    // Text is kept with its final zero; a value without one is taken as it is.
    if (data[size - 1] == 0)
        --size;
    text =
        QString::fromUtf8(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(size));
    return true;
}

bool CSettingsKey::WriteText(const char* name, const QString& text) const {
    if (!m_key)
        return false;
    const QByteArray bytes = text.toUtf8();
    std::vector<BYTE> data(bytes.begin(), bytes.end());
    data.push_back(0);
    return RegSetValueEx(m_key, name, 0, REG_SZ, data.data(), static_cast<DWORD>(data.size())) ==
           ERROR_SUCCESS;
}

bool CSettingsKey::ReadPlace(const WindowPlaceNames& names, WindowPlace& place) const {
    WindowPlace read;
    if (!ReadLong(names.left, read.nLeft) || !ReadLong(names.top, read.nTop) ||
        !ReadLong(names.width, read.nWidth) || !ReadLong(names.height, read.nHeight) ||
        read.nWidth <= 0 || read.nHeight <= 0)
        return false;
    for (const LONG value : {read.nLeft, read.nTop, read.nWidth, read.nHeight}) {
        if (!IsSaneCoordinate(value))
            return false;
    }
    place = read;
    return true;
}

bool CSettingsKey::WritePlace(const WindowPlaceNames& names, const WindowPlace& place) const {
    bool written = WriteLong(names.left, place.nLeft);
    written = WriteLong(names.top, place.nTop) && written;
    written = WriteLong(names.width, place.nWidth) && written;
    return WriteLong(names.height, place.nHeight) && written;
}
