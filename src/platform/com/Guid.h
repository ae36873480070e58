// GUID: the 128-bit identifiers of interfaces, classes and property sets.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    std::array<uint8_t, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};

// Parses "{FA4BB022-CB5C-44A2-80B8-19ED4A514A4A}" (braces optional, either case).
std::optional<GUID> GuidFromString(std::string_view text);
// Prints in the registry form, upper case, with braces.
std::string GuidToString(const GUID& guid);
