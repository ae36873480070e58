#include "platform/registry/RegistryFlag.h"

BOOL QueryRegistryFlag(HKEY key, const char* name, BOOL& flag) {
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS)
        return FALSE;
    flag = value != 0 ? TRUE : FALSE;
    return TRUE;
}

LSTATUS SetRegistryFlag(HKEY key, const char* name, BOOL flag) {
    const DWORD value = flag ? 1 : 0;
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                         sizeof value);
}
