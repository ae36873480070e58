// The registry API over an arbitrary settings file. The input is the file's content,
// optionally followed by a zero byte and a few operations (create/open a key, set, query,
// close). Aborts when a file the parser refuses changes on disk, when a write loses a key,
// a value or a comment it did not touch, when what was set does not read back, when a name
// is refused that holds no control character (or one that does is taken, or its refusal
// changes the file), or when the writer produces text that does not parse back to itself.
// The control_in_* seeds hold the names that would break a line or a section.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryFile.h"

#define REQUIRE(condition)                                    \
    do {                                                      \
        if (!(condition)) {                                   \
            std::fprintf(stderr, "broken: %s\n", #condition); \
            std::abort();                                     \
        }                                                     \
    } while (0)

namespace {

std::string g_file;

std::string ReadFile() {
    std::ostringstream text;
    text << std::ifstream(g_file, std::ios::binary).rdbuf();
    return text.str();
}

bool HasControl(const std::string& name) {
    for (const unsigned char c : name) {
        if (c < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

std::vector<std::string> Comments(const CRegistryFile& file) {
    std::vector<std::string> all = file.m_leadingComments;
    all.insert(all.end(), file.m_headerComments.begin(), file.m_headerComments.end());
    for (const auto& key : file.Keys()) {
        all.insert(all.end(), key.comments.begin(), key.comments.end());
        for (const auto& value : key.values)
            all.insert(all.end(), value.comments.begin(), value.comments.end());
        all.insert(all.end(), key.trailingComments.begin(), key.trailingComments.end());
    }
    return all;
}

// After a successful call: what the writer wrote (if it wrote) parses back to itself, and
// everything in `before` is still there, except the value `path`/`name` that was set.
CRegistryFile RequireKept(CRegistryFile& before, bool wrote, const char* path,
                          const std::string* name) {
    const std::string text = ReadFile();
    auto after = CRegistryFile::Parse(text);
    REQUIRE(after && (!wrote || after->Serialize() == text));
    CRegistryFile::Key* changed = after->FindKey(path);
    REQUIRE(changed);
    for (auto& key : before.Keys()) {
        CRegistryFile::Key* kept = after->FindKey(key.path);
        REQUIRE(kept);
        for (const auto& value : key.values) {
            CRegistryFile::Value* now = CRegistryFile::FindValue(*kept, value.name);
            REQUIRE(now);
            if (name && kept == changed && now == CRegistryFile::FindValue(*kept, *name))
                continue;
            REQUIRE(now->type == value.type && now->data == value.data);
        }
    }
    REQUIRE(Comments(*after) == Comments(before));
    return std::move(*after);
}

struct OpReader {
    const uint8_t* data;
    size_t size;
    uint8_t Byte() {
        if (!size)
            return 0;
        --size;
        return *data++;
    }
    std::string Text(size_t most) {
        std::string s(Byte() % (most + 1), '_');
        for (char& c : s) {
            if (const uint8_t b = Byte())  // no zero inside a C string
                c = static_cast<char>(b);
        }
        return s;
    }
};

struct OpenKey {
    HKEY handle;
    std::string path;
};

void Create(std::optional<CRegistryFile>& parsed, std::vector<OpenKey>& keys,
            const std::string& subKey, REGSAM access) {
    const std::string before = ReadFile();
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LSTATUS status = RegCreateKeyEx(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0, access,
                                          nullptr, &key, &disposition);
    if (status != ERROR_SUCCESS) {
        REQUIRE(!parsed || (status == ERROR_INVALID_PARAMETER && HasControl(subKey)));
        REQUIRE(ReadFile() == before);
        return;
    }
    REQUIRE(parsed);
    const bool created = disposition == REG_CREATED_NEW_KEY;
    REQUIRE(created || ReadFile() == before);
    const std::string path = "HKEY_LOCAL_MACHINE" + (subKey.empty() ? "" : "\\" + subKey);
    parsed = RequireKept(*parsed, created, path.c_str(), nullptr);
    keys.push_back({key, path});
}

void Set(std::optional<CRegistryFile>& parsed, const OpenKey& key, const std::string& name,
         DWORD type, const std::vector<BYTE>& data, bool writable) {
    const std::string before = ReadFile();
    const LSTATUS status = RegSetValueEx(key.handle, name.c_str(), 0, type, data.data(),
                                         static_cast<DWORD>(data.size()));
    if (status != ERROR_SUCCESS) {
        REQUIRE(HasControl(name) || !writable);
        REQUIRE(ReadFile() == before);
        return;
    }
    REQUIRE(parsed);
    parsed = RequireKept(*parsed, true, key.path.c_str(), &name);
    CRegistryFile::Value* value = CRegistryFile::FindValue(*parsed->FindKey(key.path), name);
    REQUIRE(value && value->type == type && value->data == data);
    DWORD readType = 0;
    DWORD size = 64;
    BYTE read[64];
    REQUIRE(RegQueryValueEx(key.handle, name.c_str(), nullptr, &readType, read, &size) ==
            (data.size() > sizeof read ? ERROR_MORE_DATA : ERROR_SUCCESS));
    REQUIRE(readType == type && size == data.size());
    REQUIRE(size > sizeof read || std::vector<BYTE>(read, read + size) == data);
}

void Query(std::optional<CRegistryFile>& parsed, const OpenKey& key, const std::string& name) {
    DWORD type = 0;
    DWORD size = 8;
    BYTE read[8];
    const LSTATUS status = RegQueryValueEx(key.handle, name.c_str(), nullptr, &type, read, &size);
    if (!parsed) {
        REQUIRE(status == ERROR_ACCESS_DENIED);
        return;
    }
    CRegistryFile::Key* stored = parsed->FindKey(key.path);
    CRegistryFile::Value* value = stored ? CRegistryFile::FindValue(*stored, name) : nullptr;
    if (!value) {
        REQUIRE(status == ERROR_FILE_NOT_FOUND);
        return;
    }
    REQUIRE(size == value->data.size() && type == value->type);
    REQUIRE(status == (size > sizeof read ? ERROR_MORE_DATA : ERROR_SUCCESS));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_file = MakePrivateFolder("nitidor-registry-fuzz") + "/registry.reg";
    setenv("NITIDOR_REGISTRY_FILE", g_file.c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* split = static_cast<const uint8_t*>(memchr(data, 0, size));
    const size_t contentSize = split ? static_cast<size_t>(split - data) : size;
    const std::string content(reinterpret_cast<const char*>(data), contentSize);
    std::ofstream(g_file, std::ios::binary | std::ios::trunc) << content;
    std::optional<CRegistryFile> parsed = CRegistryFile::Parse(content);

    // What the utility does on every start, then what the input asks for.
    std::vector<OpenKey> keys;
    Create(parsed, keys, "SOFTWARE\\PXV58R", KEY_ALL_ACCESS);
    if (!keys.empty()) {
        Set(parsed, keys.back(), "Cap10Bpp", REG_DWORD, {1, 0, 0, 0}, true);
        Query(parsed, keys.back(), "EnhanceJPEG");
    }
    std::vector<bool> writable(keys.size(), true);
    OpReader ops{split ? split + 1 : data + size, split ? size - contentSize - 1 : 0};
    for (int step = 0; step < 8 && ops.size; ++step) {
        const uint8_t op = ops.Byte();
        if (op % 4 == 0 || keys.empty()) {
            const bool write = op & 0x10;
            Create(parsed, keys, ops.Text(16), write ? KEY_ALL_ACCESS : KEY_READ);
            writable.resize(keys.size(), write);
            continue;
        }
        const size_t which = ops.Byte() % keys.size();
        if (op % 4 == 1) {
            static const DWORD kTypes[] = {REG_DWORD, REG_SZ, REG_BINARY, REG_NONE, 7};
            const std::string name = ops.Text(12);
            const DWORD type = kTypes[ops.Byte() % 5];
            const std::string bytes = ops.Text(80);
            Set(parsed, keys[which], name, type, std::vector<BYTE>(bytes.begin(), bytes.end()),
                writable[which]);
        } else if (op % 4 == 2) {
            Query(parsed, keys[which], ops.Text(12));
        } else {
            REQUIRE(RegCloseKey(keys[which].handle) == ERROR_SUCCESS);
            keys.erase(keys.begin() + static_cast<long>(which));
            writable.erase(writable.begin() + static_cast<long>(which));
        }
    }
    for (const OpenKey& key : keys)
        REQUIRE(RegCloseKey(key.handle) == ERROR_SUCCESS);
    return 0;
}
