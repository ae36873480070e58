#include "ui/DialogTemplates.h"

#include <array>

#include "platform/mfc/DialogTemplate.h"
#include "platform/win/WinUser.h"
#include "platform/win/WindowStyles.h"
#include "ui/AppIcon.h"
#include "ui/Resource.h"

namespace {
using K = DlgItemKind;

constexpr std::array kFocusItems{
    DlgItemTemplate{IDC_NEW, K::PushButton, "New", BS_DEFPUSHBUTTON | WS_TABSTOP, 17, 34, 50, 14},
    DlgItemTemplate{IDCANCEL, K::PushButton, "Exit", WS_TABSTOP, 137, 34, 50, 14},
    DlgItemTemplate{IDC_STARTSTOP, K::PushButton, "Start", WS_TABSTOP, 77, 34, 50, 14},
    DlgItemTemplate{IDC_FOCUS, K::Static, "", SS_LEFT | WS_GROUP, 70, 17, 53, 8},
    DlgItemTemplate{IDC_STATIC, K::Static, "Focus Status:", SS_LEFT | WS_GROUP, 19, 17, 44, 8},
    DlgItemTemplate{IDC_STATUS, K::Static, "", SS_LEFT | WS_GROUP, 17, 52, 169, 8},
    DlgItemTemplate{IDC_SNAPSHOT, K::PushButton, "Snapshot", WS_TABSTOP, 137, 16, 50, 14},
    DlgItemTemplate{IDC_FULLPREVIEW, K::CheckBox, "FullPreview", BS_AUTOCHECKBOX | WS_TABSTOP, 17,
                    70, 70, 10},
    DlgItemTemplate{IDC_RAWDATA, K::CheckBox, "RawData", BS_AUTOCHECKBOX | WS_TABSTOP, 105, 70, 70,
                    10},
};

constexpr std::array kAboutItems{
    DlgItemTemplate{IDC_STATIC, K::Icon, "", SS_ICON, 11, 17, 20, 20, IDR_MAINFRAME},
    DlgItemTemplate{IDC_STATIC, K::Static, "Nitidor Version 1.0", SS_LEFT | SS_NOPREFIX, 40, 10,
                    119, 8},
    DlgItemTemplate{IDOK, K::PushButton, "OK", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 178, 7, 50,
                    14},
};

constexpr DialogTemplate kFocusDialog{
    IDD_FOCUS_DIALOG,
    204,
    85,
    "Orvane Nitidor Utility",
    "MS Sans Serif",
    8,
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    WS_EX_APPWINDOW,
    kFocusItems,
};

constexpr DialogTemplate kAboutDialog{
    IDD_ABOUTBOX,
    235,
    55,
    "About Nitidor",
    "MS Sans Serif",
    8,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    0,
    kAboutItems,
};
}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    switch (id) {
        case IDD_FOCUS_DIALOG:
            return &kFocusDialog;
        case IDD_ABOUTBOX:
            return &kAboutDialog;
        default:
            return nullptr;
    }
}

namespace {
QIcon LoadIconResource(int id) {
    return id == IDR_MAINFRAME ? LoadAppIcon() : QIcon();
}
}  // namespace

const CResourceModule& UiResources() {
    static const CResourceModule module{&FindDialogTemplate, &LoadIconResource};
    return module;
}
