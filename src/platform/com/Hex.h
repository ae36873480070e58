// Hexadecimal digits as text carries them: GUIDs, the registry file's hex values, escapes.
#pragma once

// The digits for writing, lower case.
inline constexpr char kHexDigits[] = "0123456789abcdef";

// The value of one digit, either case; -1 for any other character.
inline int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
