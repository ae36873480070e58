#include "platform/registry/RegistryFlag.h"

#include "platform/log/Log.h"
#include "platform/registry/RegistryLog.h"

BOOL QueryRegistryFlag(HKEY key, const char* name, BOOL& flag) {
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    const LSTATUS status =
        RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_MORE_DATA) {
        LogWarning(kLogRegistry, "setting %s is %u bytes, more than a flag's 4: its default stands",
                   name, size);
        return FALSE;
    }
    if (status != ERROR_SUCCESS) {
        // Absent is the usual case, an unreadable file has been reported where it was read.
        LogDebug(kLogRegistry, "setting %s not read (0x%08X): its default stands", name,
                 LogStatus(status));
        return FALSE;
    }
    flag = value != 0 ? TRUE : FALSE;
    return TRUE;
}

LSTATUS SetRegistryFlag(HKEY key, const char* name, BOOL flag) {
    const DWORD value = flag ? 1 : 0;
    const LSTATUS status =
        RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    if (status != ERROR_SUCCESS)
        LogWarning(kLogRegistry, "setting %s not written: 0x%08X", name, LogStatus(status));
    return status;
}
