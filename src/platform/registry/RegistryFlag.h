// Settings booleans as the utility keeps them in the registry.
#pragma once

#include "platform/registry/Registry.h"

// Reads `name` as any value of up to 4 bytes, nonzero meaning on, whatever its stored type.
// An absent value, or one too long for 4 bytes, leaves `flag` as it was and returns FALSE.
BOOL QueryRegistryFlag(HKEY key, const char* name, BOOL& flag);
// Writes `name` as REG_DWORD 1 or 0.
LSTATUS SetRegistryFlag(HKEY key, const char* name, BOOL flag);
