#include "platform/registry/Registry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>

#include "platform/log/Log.h"
#include "platform/registry/RegistryFile.h"
#include "platform/registry/RegistryLock.h"
#include "platform/registry/RegistryLog.h"

// An open key: the full path of its section and the access it was opened with.
struct HKEY__ {
    std::string path;
    REGSAM access = 0;
};

namespace {

constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";

// One lock for the file and the open keys within this process; every call reads the file
// afresh so that another process's writes are seen, and writers of all processes take
// turns through CRegistryLock.
std::mutex& FileMutex() {
    static std::mutex mutex;
    return mutex;
}

std::set<HKEY>& OpenKeys() {
    static std::set<HKEY> keys;
    return keys;
}

// The path of an open handle or the root; empty for anything else. Caller holds FileMutex.
std::string HandlePath(HKEY hKey) {
    if (hKey == HKEY_LOCAL_MACHINE)
        return std::string(kLocalMachine);
    if (OpenKeys().count(hKey))
        return hKey->path;
    return {};
}

// A name goes into the file as typed, one line per key or value: a line break would split
// it, and no control character belongs in a file people read and edit.
bool WritableName(std::string_view name) {
    for (const unsigned char c : name) {
        if (c < 0x20 || c == 0x7F)
            return false;
    }
    return true;
}

BOOL MakeDirectories(const std::string& dir) {
    if (dir.empty())
        return TRUE;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? TRUE : FALSE;
    const size_t slash = dir.find_last_of('/', dir.size() - 2);
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash))) {
        return FALSE;
    }
    return mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST ? TRUE : FALSE;
}

// Whether the file's folder exists (creating it) and lets us put a new file in it.
BOOL LocationWritable(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!MakeDirectories(dir))
        return FALSE;
    if (access(dir.empty() ? "/" : dir.c_str(), W_OK | X_OK) != 0)
        return FALSE;
    return access(path.c_str(), F_OK) != 0 || access(path.c_str(), W_OK) == 0 ? TRUE : FALSE;
}

// A file that cannot be read or parsed is never written over: the key counts as refused.
bool LoadForChange(CRegistryFile& contents, const std::string& file) {
    const auto loaded = contents.Load(file);
    return loaded != CRegistryFile::LoadResult::Unreadable &&
           loaded != CRegistryFile::LoadResult::Unparseable;
}

}  // namespace

std::string RegistryFilePath() {
    if (const char* file = std::getenv("NITIDOR_REGISTRY_FILE"); file && *file)
        return file;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        return std::string(xdg) + "/nitidor/registry.reg";
    }
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/nitidor/registry.reg";
}

LSTATUS RegCreateKeyEx(HKEY hKey, const char* lpSubKey, DWORD /*Reserved*/, char* /*lpClass*/,
                       DWORD /*dwOptions*/, REGSAM samDesired, void* /*lpSecurityAttributes*/,
                       PHKEY phkResult, DWORD* lpdwDisposition) {
    if (!phkResult || !lpSubKey)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    if (!WritableName(lpSubKey))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(FileMutex());
    std::string path = HandlePath(hKey);
    if (path.empty())
        return ERROR_INVALID_HANDLE;
    if (*lpSubKey)
        path.append("\\").append(lpSubKey);

    const std::string file = CRegistryFile::FollowLinks(RegistryFilePath());
    CRegistryFile contents;
    if (!LoadForChange(contents, file))
        return ERROR_ACCESS_DENIED;
    const bool wantsWrite = (samDesired & KEY_SET_VALUE) != 0;
    bool exists = contents.FindKey(path) != nullptr;
    if ((wantsWrite || !exists) && !LocationWritable(file)) {
        LogWarning(kLogRegistry, "key %s refused: %s or its folder cannot be written (%s)",
                   path.c_str(), file.c_str(), std::strerror(errno));
        return ERROR_ACCESS_DENIED;
    }
    if (!exists) {
        // Another process may have written since: read again under the lock, then add.
        const CRegistryLock fileLock(file);
        if (!fileLock.IsHeld() || !LoadForChange(contents, file))
            return ERROR_ACCESS_DENIED;
        exists = contents.FindKey(path) != nullptr;
        if (!exists) {
            contents.AddKey(path);
            if (!contents.SaveAtomically(file))
                return ERROR_ACCESS_DENIED;
        }
    }
    if (lpdwDisposition)
        *lpdwDisposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    HKEY key = new HKEY__{contents.FindKey(path)->path, samDesired};
    OpenKeys().insert(key);
    *phkResult = key;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueEx(HKEY hKey, const char* lpValueName, DWORD* /*lpReserved*/, DWORD* lpType,
                        BYTE* lpData, DWORD* lpcbData) {
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(FileMutex());
    const std::string path = HandlePath(hKey);
    if (path.empty())
        return ERROR_INVALID_HANDLE;
    CRegistryFile contents;
    const auto loaded = contents.Load(RegistryFilePath());
    if (loaded != CRegistryFile::LoadResult::Loaded) {
        return loaded == CRegistryFile::LoadResult::Missing ? ERROR_FILE_NOT_FOUND
                                                            : ERROR_ACCESS_DENIED;
    }
    CRegistryFile::Key* key = contents.FindKey(path);
    CRegistryFile::Value* value =
        key ? CRegistryFile::FindValue(*key, lpValueName ? lpValueName : "") : nullptr;
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (lpType)
        *lpType = value->type;
    const DWORD size = static_cast<DWORD>(value->data.size());
    if (!lpcbData)
        return ERROR_SUCCESS;
    const DWORD room = *lpcbData;
    *lpcbData = size;
    if (!lpData)
        return ERROR_SUCCESS;
    if (size > room)
        return ERROR_MORE_DATA;
    if (size)
        std::memcpy(lpData, value->data.data(), size);
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueEx(HKEY hKey, const char* lpValueName, DWORD /*Reserved*/, DWORD dwType,
                      const BYTE* lpData, DWORD cbData) {
    if ((!lpData && cbData) || !WritableName(lpValueName ? lpValueName : ""))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(FileMutex());
    if (hKey == HKEY_LOCAL_MACHINE || !OpenKeys().count(hKey))
        return ERROR_INVALID_HANDLE;
    if (!(hKey->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    const std::string file = CRegistryFile::FollowLinks(RegistryFilePath());
    const CRegistryLock fileLock(file);  // from reading the file to replacing it
    CRegistryFile contents;
    if (!fileLock.IsHeld() || !LoadForChange(contents, file))
        return ERROR_ACCESS_DENIED;
    CRegistryFile::Key* key = contents.FindKey(hKey->path);
    if (!key)
        key = &contents.AddKey(hKey->path);
    const std::string name = lpValueName ? lpValueName : "";
    std::vector<BYTE> data(lpData, lpData + cbData);
    if (CRegistryFile::Value* value = CRegistryFile::FindValue(*key, name)) {
        value->type = dwType;
        value->data = std::move(data);
    } else {
        CRegistryFile::AddValue(*key, {name, dwType, std::move(data), {}});
    }
    return contents.SaveAtomically(file) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LSTATUS RegCloseKey(HKEY hKey) {
    std::lock_guard lock(FileMutex());
    if (!OpenKeys().erase(hKey))
        return ERROR_INVALID_HANDLE;
    delete hKey;
    return ERROR_SUCCESS;
}
