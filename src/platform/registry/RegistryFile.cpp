#include "platform/registry/RegistryFile.h"

#include <cstdio>
#include <utility>

#include "platform/com/Hex.h"
#include "platform/registry/Registry.h"

namespace {

// Names are kept as written and matched without regard to ASCII case.
std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// Reads a quoted string with \\ and \" escapes from the front of `s`; advances past it.
std::optional<std::string> TakeQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"')
        return std::nullopt;
    std::string out;
    size_t i = 1;
    for (; i < s.size() && s[i] != '"'; ++i) {
        if (s[i] == '\\') {
            if (++i == s.size() || (s[i] != '\\' && s[i] != '"'))
                return std::nullopt;
        }
        out.push_back(s[i]);
    }
    if (i == s.size())
        return std::nullopt;
    s.remove_prefix(i + 1);
    return out;
}

std::optional<std::vector<BYTE>> ParseHexList(std::string_view s) {
    std::vector<BYTE> out;
    while (!s.empty()) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        if (s.size() < 2)
            return std::nullopt;
        const int hi = HexDigit(s[0]), lo = HexDigit(s[1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out.push_back(static_cast<BYTE>(hi * 16 + lo));
        s.remove_prefix(2);
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
            s.remove_prefix(1);
        if (s.empty())
            break;
        if (s.front() != ',')
            return std::nullopt;
        s.remove_prefix(1);
        if (s.empty())
            return std::nullopt;
    }
    return out;
}

std::optional<CRegistryFile::Value> ParseData(std::string name, std::string_view s) {
    CRegistryFile::Value v{std::move(name), REG_NONE, {}, {}};
    if (!s.empty() && s.front() == '"') {
        auto text = TakeQuoted(s);
        if (!text || !s.empty())
            return std::nullopt;
        v.type = REG_SZ;
        v.data.assign(text->begin(), text->end());
        v.data.push_back(0);
        return v;
    }
    if (s.starts_with("dword:")) {
        s.remove_prefix(6);
        if (s.empty() || s.size() > 8)
            return std::nullopt;
        DWORD n = 0;
        for (char c : s) {
            const int d = HexDigit(c);
            if (d < 0)
                return std::nullopt;
            n = n * 16 + static_cast<DWORD>(d);
        }
        v.type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            v.data.push_back(static_cast<BYTE>(n >> (8 * i)));
        return v;
    }
    if (s.starts_with("hex:")) {
        v.type = REG_BINARY;
        s.remove_prefix(4);
    } else if (s.starts_with("hex(")) {
        const size_t close = s.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12)
            return std::nullopt;
        DWORD t = 0;
        for (char c : s.substr(4, close - 4)) {
            const int d = HexDigit(c);
            if (d < 0)
                return std::nullopt;
            t = t * 16 + static_cast<DWORD>(d);
        }
        v.type = t;
        s.remove_prefix(close + 2);
    } else {
        return std::nullopt;  // includes "-", a deletion, which only an import understands
    }
    auto bytes = ParseHexList(s);
    if (!bytes)
        return std::nullopt;
    v.data = std::move(*bytes);
    return v;
}

std::string_view TrimFront(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

struct LogicalLine {
    size_t number;  // of its first line in the file, from 1
    std::string text;
};

// Joins lines ending in a backslash (hex lists wrapped by the exporter) with the next one. A
// comment or a section header ends with its line whatever its last character: a comment such
// as "; folder C:\" must not swallow the value below it.
std::vector<LogicalLine> LogicalLines(std::string_view text) {
    std::vector<LogicalLine> lines;
    std::string current;
    bool continuing = false;
    size_t pos = 0;
    size_t number = 0;
    size_t first = 1;
    while (pos <= text.size()) {
        ++number;
        if (!continuing)
            first = number;
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        current.append(continuing ? TrimFront(line) : line);
        const std::string_view head = TrimFront(current);
        continuing = !current.empty() && current.back() == '\\' && !head.starts_with('[') &&
                     !head.starts_with(';');
        if (continuing) {
            current.pop_back();
        } else {
            lines.push_back({first, std::move(current)});
            current.clear();
        }
        pos = end + 1;
    }
    if (continuing)
        lines.push_back({first, std::move(current)});
    return lines;
}

std::string_view Trim(std::string_view s) {
    s = TrimFront(s);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

void AppendQuoted(std::string& out, std::string_view s) {
    out.push_back('"');
    for (char c : s) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

// Plain text only when the bytes read back identically: one final zero, nothing unprintable.
bool PrintableString(const std::vector<BYTE>& data) {
    if (data.empty() || data.back() != 0)
        return false;
    for (size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] < 0x20 || data[i] == 0x7F)
            return false;
    }
    return true;
}

void AppendHex(std::string& out, const std::vector<BYTE>& data) {
    size_t column = out.size() - out.rfind('\n') - 1;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i > 0) {
            out.push_back(',');
            ++column;
            if (column > 76) {
                out.append("\\\n  ");
                column = 2;
            }
        }
        out.push_back(kHexDigits[data[i] >> 4]);
        out.push_back(kHexDigits[data[i] & 0xF]);
        column += 2;
    }
}

// `"name"=data` or `@=data`.
std::optional<CRegistryFile::Value> ParseValueLine(std::string_view rest) {
    std::string name;
    if (rest.front() == '@') {
        rest.remove_prefix(1);
    } else {
        auto quoted = TakeQuoted(rest);
        if (!quoted || quoted->empty())
            return std::nullopt;
        name = std::move(*quoted);
    }
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=')
        return std::nullopt;
    return ParseData(std::move(name), Trim(rest.substr(1)));
}

void AppendLines(std::string& out, const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        out.append(line).push_back('\n');
}

void AppendValue(std::string& out, const CRegistryFile::Value& v) {
    if (v.name.empty()) {
        out.push_back('@');
    } else {
        AppendQuoted(out, v.name);
    }
    out.push_back('=');
    if (v.type == REG_DWORD && v.data.size() == 4) {
        const DWORD n = static_cast<DWORD>(v.data[0]) | (DWORD{v.data[1]} << 8) |
                        (DWORD{v.data[2]} << 16) | (DWORD{v.data[3]} << 24);
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", n);
        out.append(digits);
    } else if (v.type == REG_SZ && PrintableString(v.data)) {
        AppendQuoted(
            out, std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1));
    } else {
        if (v.type == REG_BINARY) {
            out.append("hex:");
        } else {
            char prefix[24];
            std::snprintf(prefix, sizeof prefix, "hex(%x):", v.type);
            out.append(prefix);
        }
        AppendHex(out, v.data);
    }
    out.push_back('\n');
}

}  // namespace

std::optional<CRegistryFile> CRegistryFile::Parse(std::string_view text, ParseError* error) {
    size_t number = 0;
    const auto fail = [&](const char* reason) -> std::optional<CRegistryFile> {
        if (error)
            *error = {number, reason};
        return std::nullopt;
    };
    CRegistryFile file;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    bool sawHeader = false;
    Key* key = nullptr;
    // Comment lines wait for what they sit above; those above the last blank line before a
    // section header close the previous section instead.
    std::vector<std::string> pending;
    size_t aboveBlank = 0;
    for (auto& [lineNumber, raw] : LogicalLines(text)) {
        number = lineNumber;
        const std::string_view line = Trim(raw);
        if (line.empty()) {
            aboveBlank = pending.size();
            continue;
        }
        if (line.front() == ';') {
            pending.push_back(std::move(raw));
            continue;
        }
        if (!sawHeader) {
            if (line != kHeader)
                return fail("the first line is not the export format's header");
            sawHeader = true;
            file.m_leadingComments = std::exchange(pending, {});
            aboveBlank = 0;
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                return fail("a key line that is not [path]");
            if (line[1] == '-')
                return fail("a key deletion, which only an import understands");
            const std::string_view path = line.substr(1, line.size() - 2);
            if (file.FindKey(path))
                return fail("a key listed twice");
            auto& above = key ? key->trailingComments : file.m_headerComments;
            above.insert(above.end(), pending.begin(), pending.begin() + aboveBlank);
            key = &file.AddKey(path);
            key->comments.assign(pending.begin() + aboveBlank, pending.end());
            pending.clear();
            aboveBlank = 0;
            continue;
        }
        if (!key)
            return fail("a value before the first key");
        auto value = ParseValueLine(line);
        if (!value)
            return fail("a value line that cannot be read");
        if (FindValue(*key, value->name))
            return fail("a value listed twice in its key");
        value->comments = std::exchange(pending, {});
        aboveBlank = 0;
        AddValue(*key, std::move(*value));
    }
    auto& last = !sawHeader ? file.m_leadingComments
                 : key      ? key->trailingComments
                            : file.m_headerComments;
    last.insert(last.end(), pending.begin(), pending.end());
    return file;
}

std::string CRegistryFile::Serialize() const {
    std::string out;
    AppendLines(out, m_leadingComments);
    out.append(kHeader).append("\n\n");
    if (!m_headerComments.empty()) {
        AppendLines(out, m_headerComments);
        out.push_back('\n');
    }
    for (const Key& key : m_keys) {
        AppendLines(out, key.comments);
        out.append("[").append(key.path).append("]\n");
        for (const Value& v : key.values) {
            AppendLines(out, v.comments);
            AppendValue(out, v);
        }
        AppendLines(out, key.trailingComments);
        out.push_back('\n');
    }
    return out;
}

CRegistryFile::Key* CRegistryFile::FindKey(std::string_view path) {
    const auto found = m_keyIndex.find(Folded(path));
    return found == m_keyIndex.end() ? nullptr : &m_keys[found->second];
}

CRegistryFile::Key& CRegistryFile::AddKey(std::string_view path) {
    m_keyIndex.emplace(Folded(path), m_keys.size());
    Key& key = m_keys.emplace_back();
    key.path = path;
    return key;
}

CRegistryFile::Value* CRegistryFile::FindValue(Key& key, std::string_view name) {
    const auto found = key.valueIndex.find(Folded(name));
    return found == key.valueIndex.end() ? nullptr : &key.values[found->second];
}

CRegistryFile::Value& CRegistryFile::AddValue(Key& key, Value value) {
    key.valueIndex.emplace(Folded(value.name), key.values.size());
    return key.values.emplace_back(std::move(value));
}
