#include "platform/mfc/MessageBox.h"

#include <QMessageBox>
#include <QString>
#include <utility>

#include "platform/mfc/WinApp.h"
#include "platform/mfc/WindowHandle.h"
#include "platform/win/ModuleName.h"

namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

QMessageBox::Icon IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONASTERISK:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}
}  // namespace

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type) {
    if (Hook())
        return Hook()(MessageBoxCall{owner, text, caption, type});
    QMessageBox box(IconOf(type), QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, WidgetFromHwnd(owner));
    // Blocks its owner only, as the platform's message box does; other windows stay usable.
    box.setWindowModality(Qt::WindowModal);
    box.exec();
    return IDOK;
}

int AfxMessageBox(const std::string& text, UINT type) {
    if ((type & MB_ICONMASK) == 0)
        type |= MB_ICONEXCLAMATION;
    CWinApp* app = AfxGetApp();
    const std::string caption = app ? app->m_pszAppName : GetModuleBaseName();
    HWND owner = app ? HwndFromWidget(app->m_pMainWnd) : nullptr;
    return MessageBox(owner, text, caption, type);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
