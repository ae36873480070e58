// The integer types the imaging code speaks in: the platform's own BYTE, BOOL and DWORD,
// spelled out here so that imaging needs nothing but the standard library and libjpeg (and
// jpeglib.h's TRUE and FALSE macros meet nothing of ours). Results are nonzero for success.
#pragma once

#include <cstdint>

using BYTE = std::uint8_t;
using BOOL = std::int32_t;
using DWORD = std::uint32_t;
