// The utility's settings key (HKEY_LOCAL_MACHINE\SOFTWARE\PXV58R), open while the object lives,
// and the kinds of value the windows keep under it. Every value stays as it is unless named.
#pragma once

#include <QString>

#include "platform/registry/Registry.h"

// A window's place as kept: its frame's top-left corner and its inside size, in screen pixels.
struct WindowPlace {
    LONG nLeft = 0;
    LONG nTop = 0;
    LONG nWidth = 0;
    LONG nHeight = 0;
};
// The names of the four values that keep a place.
struct WindowPlaceNames {
    const char* left;
    const char* top;
    const char* width;
    const char* height;
};

// The largest coordinate or size a remembered place may hold; beyond it the place is absent.
inline constexpr LONG kMaxRemembered_px = 65536;

class CSettingsKey {
public:
    // Opens the key, making it when absent; a key that cannot be opened reads nothing and
    // writes nothing.
    CSettingsKey();
    ~CSettingsKey();
    CSettingsKey(const CSettingsKey&) = delete;
    CSettingsKey& operator=(const CSettingsKey&) = delete;

    bool IsOpen() const { return m_key != nullptr; }

    // A 4-byte value as a signed number (a coordinate may be negative: the DWORD of the same
    // bits); false when absent or of another size.
    bool ReadLong(const char* name, LONG& value) const;
    bool WriteLong(const char* name, LONG value) const;
    // A flag as RegistryFlag keeps it: any value of up to 4 bytes, nonzero meaning on.
    bool ReadFlag(const char* name, BOOL& flag) const;
    bool WriteFlag(const char* name, BOOL flag) const;
    // REG_SZ text of up to a path's length, kept with its final zero.
    bool ReadText(const char* name, QString& text) const;
    bool WriteText(const char* name, const QString& text) const;
    // A place counts only when all four values are there with a size above zero and nothing
    // beyond kMaxRemembered_px either way (no screen is that large).
    bool ReadPlace(const WindowPlaceNames& names, WindowPlace& place) const;
    bool WritePlace(const WindowPlaceNames& names, const WindowPlace& place) const;

private:
    HKEY m_key = nullptr;
};
