// The focus figure as the operator reads it.
#pragma once

#include <string>

#include "platform/com/Types.h"

// "Overflow" for exactly 0x8000, the figure the firmware sends when its measure ran out of
// range; any other value, negative ones included, as a signed decimal number.
std::string FormatFocusValue(LONG value);
