#include "session/FocusFigure.h"

#include <cstdio>

#include "platform/ks/VendorPropertySet.h"

std::string FormatFocusValue(LONG value) {
    if (value == VENDOR_FOCUS_OVERFLOW)
        return "Overflow";
    char text[16];
    std::snprintf(text, sizeof(text), "%d", static_cast<int>(value));
    return text;
}
