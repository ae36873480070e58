#include "session/FocusFigure.h"

#include <cstdio>

#include "platform/ks/VendorPropertySet.h"

bool IsFocusOverflow(LONG value) {
    return value == VENDOR_FOCUS_OVERFLOW;
}

std::string FormatFocusValue(LONG value) {
    if (IsFocusOverflow(value))
        return "Overflow";
    char text[16];
    std::snprintf(text, sizeof(text), "%d", static_cast<int>(value));
    return text;
}

std::string FormatFocusRecord(int64_t elapsed_ms, LONG value) {
    return std::to_string(elapsed_ms) + "," + FormatFocusValue(value);
}
