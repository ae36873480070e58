// The registry stand-in: keys and typed values under HKEY_LOCAL_MACHINE, shaped like the
// platform's API. Everything lives in one text file in the registry's export format:
// $NITIDOR_REGISTRY_FILE, else $XDG_CONFIG_HOME/nitidor/registry.reg, else
// ~/.config/nitidor/registry.reg. Every write rewrites the file atomically and keeps all keys,
// values and comment lines it did not touch; a file that cannot be parsed, or is not a
// regular file of at most 4 MiB, is never overwritten. Writers in several processes take
// turns through "<file>.lock"; a symbolic link is written through to its target, which
// keeps its mode.
#pragma once

#include <string>

#include "platform/com/Types.h"

struct HKEY__;
using HKEY = HKEY__*;
using LSTATUS = LONG;
using REGSAM = DWORD;
using PHKEY = HKEY*;

// Predefined root; only HKEY_LOCAL_MACHINE is kept.
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u));

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr LSTATUS ERROR_SUCCESS = 0;
inline constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
inline constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
inline constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
inline constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
inline constexpr LSTATUS ERROR_MORE_DATA = 234;

// Key paths and value names with a control character (a line break, say) cannot be kept in
// the file and give ERROR_INVALID_PARAMETER.

// Opens the key below `hKey`, creating it (an empty section in the file) when absent.
// ERROR_ACCESS_DENIED when the file cannot be parsed or the location cannot be written.
LSTATUS RegCreateKeyEx(HKEY hKey, const char* lpSubKey, DWORD Reserved, char* lpClass,
                       DWORD dwOptions, REGSAM samDesired, void* lpSecurityAttributes,
                       PHKEY phkResult, DWORD* lpdwDisposition);
// Copies the value into the caller's buffer and reports its stored type and size. An absent
// value gives ERROR_FILE_NOT_FOUND; one longer than *lpcbData gives ERROR_MORE_DATA with the
// size needed in *lpcbData and the buffer left unchanged. REG_SZ data include the final zero.
LSTATUS RegQueryValueEx(HKEY hKey, const char* lpValueName, DWORD* lpReserved, DWORD* lpType,
                        BYTE* lpData, DWORD* lpcbData);
// Stores the value (REG_DWORD, REG_SZ or REG_BINARY) and rewrites the file.
LSTATUS RegSetValueEx(HKEY hKey, const char* lpValueName, DWORD Reserved, DWORD dwType,
                      const BYTE* lpData, DWORD cbData);
LSTATUS RegCloseKey(HKEY hKey);

// The file the registry is kept in, resolved from the environment at each call.
std::string RegistryFilePath();
