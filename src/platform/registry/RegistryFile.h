// CRegistryFile: the registry's contents as kept on disk, in the registry's export format
// ("Windows Registry Editor Version 5.00", [key] sections, "name"=dword:/"text"/hex: values).
// Parsing is strict so that a file we do not fully understand is never rewritten. Comment
// lines are kept with the line below them (or at the end of their section) and written back
// there; blank lines are not kept, the writer lays them out itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/com/Types.h"

class CRegistryFile {
public:
    struct Value {
        std::string name;  // empty for the key's default value ("@")
        DWORD type = 0;
        std::vector<BYTE> data;
        std::vector<std::string> comments;  // the comment lines just above it
    };
    struct Key {
        std::string path;           // "HKEY_LOCAL_MACHINE\SOFTWARE\PXV58R", case as first written
        std::vector<Value> values;  // in file order; grown only by AddValue, which indexes them
        std::vector<std::string> comments;                   // just above the section's header
        std::vector<std::string> trailingComments;           // after its last value
        std::unordered_map<std::string, size_t> valueIndex;  // folded name -> place in values
    };

    static constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
    // Settings take a few hundred bytes; anything past this is not ours to load.
    static constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;

    // Where and why a text could not be parsed; `line` counts from 1.
    struct ParseError {
        size_t line = 0;
        std::string reason;
    };
    // Empty contents when `text` is empty; nothing when it cannot be parsed (and then, if
    // `error` is given, the first line that failed).
    static std::optional<CRegistryFile> Parse(std::string_view text, ParseError* error = nullptr);
    std::string Serialize() const;

    enum class LoadResult { Loaded, Missing, Unreadable, Unparseable };
    // A missing file loads as an empty registry; anything but a regular file of at most
    // kMaxFileBytes is Unreadable. Unreadable and Unparseable are logged with the reason.
    LoadResult Load(const std::string& path);
    // Writes a temporary file beside `path`, flushes it to disk and renames it over `path`.
    // A symbolic link is followed and its target replaced, keeping the link; the target
    // keeps its mode (and owner, where we may set it). FALSE, with nothing written, when
    // the text would be larger than Load reads. A failure is logged with the step and errno.
    BOOL SaveAtomically(const std::string& path) const;
    // The file `path` finally names once symbolic links are followed (even to nothing yet).
    static std::string FollowLinks(const std::string& path);

    // Key and value names match without regard to ASCII case, as on the platform; lookups
    // go through an index so that a file of many keys loads in linear time. A reference
    // from AddKey or FindKey lasts until the next AddKey.
    Key* FindKey(std::string_view path);
    Key& AddKey(std::string_view path);  // the path must not be there yet
    const std::vector<Key>& Keys() const { return m_keys; }
    static Value* FindValue(Key& key, std::string_view name);
    static Value& AddValue(Key& key, Value value);  // the name must not be there yet

    std::vector<std::string> m_leadingComments;  // above the header line
    std::vector<std::string> m_headerComments;   // between the header and the first section

private:
    std::vector<Key> m_keys;
    std::unordered_map<std::string, size_t> m_keyIndex;  // folded path -> place in m_keys
};
