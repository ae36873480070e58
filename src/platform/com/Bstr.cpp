#include "Bstr.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

// The length in bytes precedes the characters, as on the original platform.
struct BstrHeader {
    uint32_t cb;
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
    const size_t cb = static_cast<size_t>(cch) * sizeof(OLECHAR);
    auto* raw = static_cast<unsigned char*>(std::malloc(sizeof(BstrHeader) + cb + sizeof(OLECHAR)));
    if (!raw)
        return nullptr;
    BstrHeader header{static_cast<uint32_t>(cb)};
    std::memcpy(raw, &header, sizeof header);
    auto* text = reinterpret_cast<OLECHAR*>(raw + sizeof(BstrHeader));
    if (pch) {
        std::memcpy(text, pch, cb);
    } else {
        std::memset(text, 0, cb);
    }
    text[cch] = L'\0';
    return text;
}

void SysFreeString(BSTR bstr) {
    if (!bstr)
        return;
    std::free(reinterpret_cast<unsigned char*>(bstr) - sizeof(BstrHeader));
}

UINT SysStringLen(BSTR bstr) {
    if (!bstr)
        return 0;
    BstrHeader header;
    std::memcpy(&header, reinterpret_cast<unsigned char*>(bstr) - sizeof(BstrHeader),
                sizeof header);
    return header.cb / sizeof(OLECHAR);
}

BSTR SysAllocStringFromUtf8(std::string_view text) {
    std::wstring wide;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        if (i + extra >= text.size() + (extra == 0 ? 1 : 0) && extra > 0) {
            wide += L'\uFFFD';  // a sequence cut short at the end
            break;
        }
        char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        wide += static_cast<wchar_t>(c);
        i += 1 + extra;
    }
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

int WideCharToMultiByte(UINT, DWORD, const OLECHAR* wide, int cchWideChar, char* multiByte,
                        int cbMultiByte, const char*, BOOL* usedDefaultChar) {
    if (usedDefaultChar)
        *usedDefaultChar = FALSE;
    if (!wide || cbMultiByte < 0)
        return 0;
    const size_t count = cchWideChar < 0 ? std::wcslen(wide) + 1 : static_cast<size_t>(cchWideChar);
    std::string out;
    for (size_t i = 0; i < count; ++i)
        AppendUtf8(out, static_cast<char32_t>(wide[i]));
    if (cbMultiByte == 0)
        return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(cbMultiByte))
        return 0;
    std::memcpy(multiByte, out.data(), out.size());
    return static_cast<int>(out.size());
}
