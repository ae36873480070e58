// A named mutex seen by every process of the user, standing in for the platform's named
// kernel mutex: it exists while some process holds it and vanishes when that process dies.
#pragma once

#include "platform/com/Types.h"

using HANDLE = void*;

inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;
inline constexpr DWORD ERROR_INVALID_NAME = 123;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;

// Opens or creates the mutex `name`. When another handle (in this process or another) already
// owns it, a handle is still returned and GetLastError() reports ERROR_ALREADY_EXISTS, as the
// platform does; the new handle then owns nothing. Returns null when no lock file can be made.
// Security attributes are not modelled: pass null.
HANDLE CreateMutex(void* securityAttributes, BOOL initialOwner, const char* name);
// Releases ownership (if held) and frees the handle; null is refused.
BOOL CloseHandle(HANDLE handle);
// The calling thread's last error from CreateMutex (0 after a plain success).
DWORD GetLastError();

// Folder holding the lock files: $XDG_RUNTIME_DIR when usable, else /tmp (per-user names).
const char* NamedMutexDirectory();
