// Dialog templates: a window's size, caption, font and controls in dialog units, as the
// dialog framework builds windows from them.
#pragma once

#include <span>

#include "platform/com/Types.h"

enum class DlgItemKind { PushButton, Static, CheckBox, Icon };

struct DlgItemTemplate {
    int id;
    DlgItemKind kind;
    const char* text;  // for an icon: unused, the resource is the template's icon
    DWORD style;       // besides WS_CHILD | WS_VISIBLE
    short x, y, cx, cy;
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

// The templates this application carries; null for an unknown id.
const DialogTemplate* FindDialogTemplate(int id);
