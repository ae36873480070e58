// Dialog templates: a window's size, caption, font and controls in dialog units, as the
// dialog framework builds windows from them.
#pragma once

#include <span>

#include "platform/com/Types.h"

enum class DlgItemKind { PushButton, Static, CheckBox, Icon };

struct DlgItemTemplate {
    int id;
    DlgItemKind kind;
    const char* text;  // for an icon: unused
    DWORD style;       // besides WS_CHILD | WS_VISIBLE
    short x, y, cx, cy;
    int iconResource = 0;  // for an icon: the icon resource it shows
};

struct DialogTemplate {
    int id;
    short cx, cy;
    const char* caption;
    const char* fontName;
    int pointSize;
    DWORD style;
    DWORD exStyle;
    std::span<const DlgItemTemplate> items;  // template order, which is also the tab order
};
