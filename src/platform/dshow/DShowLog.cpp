#include "platform/dshow/DShowLog.h"

#include <cstring>

std::string LogName(const wchar_t* name) {
    std::string text;
    for (; name && *name; ++name)
        text += *name > 0 && *name < 0x80 ? static_cast<char>(*name) : '?';
    return text;
}

std::string LogMediaType(const AM_MEDIA_TYPE& mt) {
    std::string subtype;
    if (mt.subtype == MEDIASUBTYPE_RGB24) {
        subtype = "RGB24";
    } else if (mt.subtype == GUID_NULL) {
        subtype = "any subtype";
    } else {
        // The others are four-character codes in the first field.
        for (int shift = 0; shift < 32; shift += 8) {
            const char c = static_cast<char>((mt.subtype.Data1 >> shift) & 0xFF);
            subtype += c >= 0x20 && c < 0x7F ? c : '?';
        }
    }
    if (mt.formattype != FORMAT_VideoInfo || !mt.pbFormat ||
        mt.cbFormat < sizeof(VIDEOINFOHEADER)) {
        return subtype + ", no video format";
    }
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, mt.pbFormat, sizeof vih);
    return subtype + " " + std::to_string(vih.bmiHeader.biWidth) + " x " +
           std::to_string(vih.bmiHeader.biHeight);
}
