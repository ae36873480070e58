// CFocusDlg: construction, the message map, initialisation, the system menu and painting.
#include "ui/FocusDlg.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <cstdio>

#include "platform/mfc/DataExchange.h"
#include "platform/win/WindowStyles.h"
#include "product/Product.h"
#include "ui/AboutDlg.h"
#include "ui/AppIcon.h"
#include "ui/Resource.h"
#include "ui/StringTable.h"

struct CFocusDlg::MessageMapEntry {
    UINT message;
    int id;  // the control, for WM_COMMAND; 0 otherwise
    LRESULT (*handler)(CFocusDlg& dlg, WPARAM wParam, LPARAM lParam);
};

// The message map. WM_PAINT and WM_QUERYDRAGICON arrive as Qt's paint event and
// OnQueryDragIcon; every other entry is dispatched by WindowProc from this table.
const CFocusDlg::MessageMapEntry CFocusDlg::kMessageMap[] = {
    {WM_SYSCOMMAND, 0,
     [](CFocusDlg& d, WPARAM w, LPARAM l) -> LRESULT {
         d.OnSysCommand(static_cast<UINT>(w), l);
         return 0;
     }},
    {WM_COMMAND, IDC_NEW,
     [](CFocusDlg& d, WPARAM, LPARAM) -> LRESULT {
         d.OnNew();
         return 0;
     }},
    {WM_COMMAND, IDC_STARTSTOP,
     [](CFocusDlg& d, WPARAM, LPARAM) -> LRESULT {
         d.OnStartStop();
         return 0;
     }},
    {WM_DESTROY, 0,
     [](CFocusDlg& d, WPARAM, LPARAM) -> LRESULT {
         d.OnDestroy();
         return 0;
     }},
    {WM_COMMAND, IDC_SNAPSHOT,
     [](CFocusDlg& d, WPARAM, LPARAM) -> LRESULT {
         d.OnSnapshot();
         return 0;
     }},
    {WM_TIMER, 0,
     [](CFocusDlg& d, WPARAM w, LPARAM) -> LRESULT {
         d.OnTimer(w);
         return 0;
     }},
    {WM_GRAPHNOTIFY, 0,
     [](CFocusDlg& d, WPARAM w, LPARAM l) -> LRESULT { return d.OnGraphNotify(w, l); }},
};

CFocusDlg::CFocusDlg(CCameraSession& session, QWidget* pParent)
    : CDialog(IDD_FOCUS_DIALOG, pParent), m_session(session), m_hIcon(LoadAppIcon()) {}

CFocusDlg::~CFocusDlg() {
    m_session.SetFront(nullptr);
}

LRESULT CFocusDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const MessageMapEntry& entry : kMessageMap) {
        if (entry.message != message)
            continue;
        if (message == WM_COMMAND && static_cast<int>(wParam & 0xFFFF) != entry.id)
            continue;
        return entry.handler(*this, wParam, lParam);
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CFocusDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SNAPSHOT, m_btnSnapshot);
    DDX_Control(pDX, IDC_STATUS, m_stcStatus);
    DDX_Control(pDX, IDC_STARTSTOP, m_btnStartStop);
    DDX_Control(pDX, IDC_FOCUS, m_stcFocus);
    DDX_Control(pDX, IDC_NEW, m_btnNew);
    DDX_Check(pDX, IDC_FULLPREVIEW, m_bFullPreview);
    DDX_Check(pDX, IDC_RAWDATA, m_bRawData);
}

BOOL CFocusDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (m_template.style & WS_SYSMENU) {
        m_pSystemMenu = new QMenu(this);
        QAction* close = m_pSystemMenu->addAction(QStringLiteral("&Close"));
        connect(close, &QAction::triggered, this, [this] { SendMessage(WM_SYSCOMMAND, SC_CLOSE); });
        const std::string about = LoadResString(IDS_ABOUTBOX);
        if (!about.empty()) {
            m_pSystemMenu->addSeparator();
            QAction* item = m_pSystemMenu->addAction(QString::fromStdString(about));
            connect(item, &QAction::triggered, this,
                    [this] { SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX); });
        }
        m_pSystemMenu->insertAction(close, m_wndHistory.ToggleAction());
        for (QAction* toggle : m_windowToggles) {
            if (toggle)
                m_pSystemMenu->insertAction(close, toggle);
        }
        AddPreviewItems(close);
        AddCameraMenu(close);
        m_pSystemMenu->insertSeparator(close);
    }
    m_wndHistory.Create(this);
    setWindowIcon(m_hIcon);

    // The session holds what a connect needs (640 x 480, nothing to resume yet; the rate is
    // read at each "New") and tells this dialog what happens.
    m_session.SetFront(this);
    EnterState(DialogState::NoCamera);

    char title[64];
    std::snprintf(title, sizeof(title), "%sL_V%s Nitidor", kModelCode, kProductVersion);
    SetWindowText(title);
    return TRUE;
}

void CFocusDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
        return;
    }
    CDialog::WindowProc(WM_SYSCOMMAND, nID, lParam);
}

void CFocusDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_pSystemMenu)
        return;
    ShowPreviewSettings();  // as stored: another copy may have changed them since
    ShowCameras();
    m_pSystemMenu->exec(event->globalPos());
}

QIcon CFocusDlg::OnQueryDragIcon() const {
    return m_hIcon;
}

void CFocusDlg::paintEvent(QPaintEvent* event) {
    if (!isMinimized()) {
        CDialog::paintEvent(event);
        return;
    }
    // Some window managers still paint a minimised window's client: centre the icon in it.
    QPainter painter(this);
    const int cxIcon = 32;
    const int cyIcon = 32;
    const int x = (width() - cxIcon + 1) / 2;
    const int y = (height() - cyIcon + 1) / 2;
    m_hIcon.paint(&painter, x, y, cxIcon, cyIcon);
}
