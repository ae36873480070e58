#include "platform/mfc/Dialog.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "platform/mfc/DataExchange.h"
#include "platform/mfc/DialogUnits.h"
#include "platform/mfc/MessageBox.h"
#include "platform/mfc/ResourceModule.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WindowHandle.h"
#include "platform/mfc/WindowTimer.h"
#include "platform/win/WindowStyles.h"

namespace {
const DialogTemplate& TemplateOrEmpty(int id) {
    static const DialogTemplate kEmpty{0, 0, 0, "", "", 8, 0, 0, {}};
    const DialogTemplate* found = AfxFindDialogTemplate(id);
    return found ? *found : kEmpty;
}

QWidget* MakeControl(const DlgItemTemplate& item, QWidget* parent) {
    switch (item.kind) {
        case DlgItemKind::PushButton: {
            auto* button = new QPushButton(QString::fromUtf8(item.text), parent);
            button->setDefault((item.style & 0xF) == BS_DEFPUSHBUTTON);
            return button;
        }
        case DlgItemKind::CheckBox:
            return new QCheckBox(QString::fromUtf8(item.text), parent);
        case DlgItemKind::Icon: {
            auto* icon = new QLabel(parent);
            icon->setPixmap(AfxLoadIcon(item.iconResource).pixmap(32, 32));
            return icon;
        }
        case DlgItemKind::Static:
            break;
    }
    auto* label = new QLabel(QString::fromUtf8(item.text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}
}  // namespace

CDialog::CDialog(int nIDTemplate, QWidget* pParent)
    : QDialog(pParent), m_template(TemplateOrEmpty(nIDTemplate)) {}

CDialog::~CDialog() = default;

void CDialog::CreateControls() {
    QFont font(QString::fromUtf8(m_template.fontName), m_template.pointSize);
    setFont(font);
    const CDialogUnits units = CDialogUnits::FromFont(font);
    for (const DlgItemTemplate& item : m_template.items) {
        QWidget* control = MakeControl(item, this);
        control->setObjectName(QStringLiteral("dlgitem-%1").arg(item.id));
        RECT r{item.x, item.y, item.x + item.cx, item.y + item.cy};
        units.MapDialogRect(&r);
        // An icon control takes the icon's own size, whatever the template says.
        const int w = item.kind == DlgItemKind::Icon ? 32 : r.right - r.left;
        const int h = item.kind == DlgItemKind::Icon ? 32 : r.bottom - r.top;
        control->setGeometry(r.left, r.top, w, h);
        control->setFocusPolicy((item.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::NoFocus);
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            const int id = item.id;
            connect(button, &QAbstractButton::clicked, this,
                    [this, id] { SendMessage(WM_COMMAND, static_cast<WPARAM>(id), 0); });
        }
    }
    setFixedSize(units.ToPixelsX(m_template.cx), units.ToPixelsY(m_template.cy));
}

BOOL CDialog::Create() {
    if (m_bWindowCreated)
        return FALSE;
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (m_template.style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    setWindowTitle(QString::fromUtf8(m_template.caption));
    CreateControls();
    m_bWindowCreated = TRUE;
    m_bDestroyed = FALSE;
    return OnInitDialog();
}

INT_PTR CDialog::DoModal() {
    if (!Create()) {
        DestroyWindow();
        return -1;
    }
    // A dialog without a parent is owned by the application's main window, as the framework
    // does it; the main dialog itself has no owner.
    QWidget* owner = nullptr;
    if (!parentWidget() && AfxGetApp() && AfxGetApp()->m_pMainWnd)
        owner = AfxGetApp()->m_pMainWnd->window();
    if (owner == this)
        owner = nullptr;
    if (owner) {
        setParent(owner, windowFlags());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // The templates carry no position: an ownerless dialog opens at the top-left corner,
        // clear of the preview window that opens further down.
        move(screen->availableGeometry().topLeft());
    }
    // Modal to the owner alone: the preview window, the lens panel and the snapshot view are
    // top-level windows of their own and keep taking input while a dialog runs.
    setWindowModality(Qt::WindowModal);
    const int result = exec();
    DestroyWindow();
    if (owner)
        setParent(nullptr, windowFlags());
    return result;
}

void CDialog::EndDialog(int nResult) {
    done(nResult);
}

void CDialog::DestroyWindow() {
    if (!m_bWindowCreated || m_bDestroyed)
        return;
    m_bDestroyed = TRUE;
    hide();
    SendMessage(WM_DESTROY);
}

BOOL CDialog::OnInitDialog() {
    return UpdateData(FALSE);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

QWidget* CDialog::GetDlgItem(int nID) const {
    return findChild<QWidget*>(QStringLiteral("dlgitem-%1").arg(nID));
}

HWND CDialog::GetSafeHwnd() {
    return HwndFromWidget(this);
}

LRESULT CDialog::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowProc(message, wParam, lParam);
}

UINT_PTR CDialog::SetTimer(UINT_PTR nIDEvent, UINT elapse_ms) {
    return ::SetTimer(GetSafeHwnd(), nIDEvent, elapse_ms);
}

BOOL CDialog::KillTimer(UINT_PTR nIDEvent) {
    return ::KillTimer(GetSafeHwnd(), nIDEvent);
}

void CDialog::SetWindowText(const std::string& text) {
    setWindowTitle(QString::fromStdString(text));
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && wParam == static_cast<WPARAM>(IDOK))
        OnOK();
    else if (message == WM_COMMAND && wParam == static_cast<WPARAM>(IDCANCEL))
        OnCancel();
    else if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE)
        OnCancel();
    return 0;
}

bool CDialog::event(QEvent* e) {
    if (e->type() == CWindowMessageEvent::EventType()) {
        auto* msg = static_cast<CWindowMessageEvent*>(e);
        WindowProc(msg->m_message, msg->m_wParam, msg->m_lParam);
        return true;
    }
    return QDialog::event(e);
}

void CDialog::reject() {
    SendMessage(WM_COMMAND, IDCANCEL, 0);
}

void CDialog::accept() {
    SendMessage(WM_COMMAND, IDOK, 0);
}
