#include "ui/SnapshotViewDlg.h"

#include <QAction>
#include <QFont>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWindow>
#include <cstddef>
#include <cstring>
#include <utility>

#include "platform/mfc/DialogUnits.h"
#include "platform/mfc/WindowHandle.h"
#include "ui/SnapshotPan.h"

namespace {

// Dialog template 129.
constexpr char kCaption[] = "Snapshot View";
constexpr int kWidthDlu = 368;
constexpr int kHeightDlu = 271;
constexpr char kFontName[] = "System";
constexpr int kFontPoints = 10;

// Caption, system menu, sizing border and maximise box; no minimise box.
constexpr Qt::WindowFlags kWindowFlags = Qt::Dialog | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;

constexpr DWORD kBitmapInfoHeaderSize = 40;
static_assert(sizeof(BITMAPINFOHEADER) == kBitmapInfoHeaderSize);

}  // namespace

CSnapshotViewDlg::CSnapshotViewDlg() : QDialog(nullptr) {
    m_pSaveAsAction = new QAction(QStringLiteral("Save &As..."), this);
    m_pSaveAsAction->setShortcut(QKeySequence::Save);
    connect(m_pSaveAsAction, &QAction::triggered, this, &CSnapshotViewDlg::OnSaveAs);
    addAction(m_pSaveAsAction);
}

CSnapshotViewDlg::~CSnapshotViewDlg() = default;

BOOL CSnapshotViewDlg::Create() {
    if (m_bCreated) {
        return FALSE;
    }
    setWindowFlags(kWindowFlags);
    setWindowTitle(QString::fromLatin1(kCaption));
    const QFont font(QString::fromLatin1(kFontName), kFontPoints);
    setFont(font);
    const CDialogUnits units = CDialogUnits::FromFont(font);
    resize(units.ToPixelsX(kWidthDlu), units.ToPixelsY(kHeightDlu));
    // Each paint covers what it draws itself, so Qt need not clear the area first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    winId();  // the platform window, still hidden

    // The main dialog owns it only in that it destroys it. It is no transient of the dialog: a
    // message box or the About box over the dialog would then block it too, while the
    // platform keeps an owned window usable when its owner is disabled.
    m_bCreated = TRUE;
    return TRUE;
}

void CSnapshotViewDlg::SetImage(std::unique_ptr<BYTE[]> image, int width, int height) {
    m_source = CStillSource{};  // it belonged to the image going now
    ForgetSharpness();
    m_pImage = std::move(image);
    m_bmih = BITMAPINFOHEADER{};
    m_bmih.biSize = kBitmapInfoHeaderSize;
    m_bmih.biWidth = width;
    m_bmih.biHeight = height;  // positive: bottom-up rows
    m_bmih.biPlanes = 1;
    m_bmih.biBitCount = 24;
    update();
}

void CSnapshotViewDlg::SetStill(CStill still) {
    SetImage(std::move(still.image), still.width, still.height);
    m_source = std::move(still.source);
}

void CSnapshotViewDlg::ShowWindow() {
    if (m_bCreated) {
        if (!m_bPlaced) {
            PlaceFirstTime();
            m_bPlaced = true;
        }
        show();
        // An owned window stays above its owner: bring the new still in front of the dialog.
        raise();
        activateWindow();
    }
}

BOOL CSnapshotViewDlg::UpdateWindow() {
    return m_bCreated ? ::UpdateWindow(HwndFromWidget(this)) : FALSE;
}

BOOL CSnapshotViewDlg::DestroyWindow() {
    if (!m_bCreated) {
        return FALSE;
    }
    hide();
    OnDestroy();
    destroy();
    m_bCreated = FALSE;
    m_bPlaced = false;
    return TRUE;
}

void CSnapshotViewDlg::OnPaint() {
    QPainter dc(this);
    int drawn_width = 0;
    int drawn_height = 0;
    if (m_pImage) {
        // Clamped by the client area, so the last rows and columns can be scrolled into view.
        const SnapshotPanView view =
            ClampSnapshotPan(m_bmih.biWidth, m_bmih.biHeight, width(), height(), m_nPanX, m_nPanY);
        if (view.draw_width > 0 && view.draw_height > 0) {
            DrawVisiblePart(dc, view.draw_width, view.draw_height);
            DrawRegions(dc, view.draw_width, view.draw_height);
            drawn_width = view.draw_width;
            drawn_height = view.draw_height;
        }
    }
    // Only what the image leaves uncovered gets the background, so the picture never flickers.
    const QRegion uncovered = QRegion(rect()).subtracted(QRect(0, 0, drawn_width, drawn_height));
    for (const QRect& part : uncovered) {
        dc.fillRect(part, palette().window());
    }
}

// A 1:1 copy of the visible part, row by row out of the bottom-up image.
void CSnapshotViewDlg::DrawVisiblePart(QPainter& painter, int draw_width, int draw_height) const {
    QImage visible(draw_width, draw_height, QImage::Format_BGR888);
    if (visible.isNull()) {
        return;
    }
    const std::size_t stride = std::size_t{3} * static_cast<std::size_t>(m_bmih.biWidth);
    const std::size_t column_offset = std::size_t{3} * static_cast<std::size_t>(m_nPanX);
    for (int y = 0; y < draw_height; ++y) {
        // The top row of the drawn rectangle is its highest image row.
        const auto image_row =
            static_cast<std::size_t>(m_nPanY) + static_cast<std::size_t>(draw_height - 1 - y);
        const BYTE* source = m_pImage.get() + image_row * stride + column_offset;
        std::memcpy(visible.scanLine(y), source, std::size_t{3} * draw_width);
    }
    painter.drawImage(0, 0, visible);
}

void CSnapshotViewDlg::OnMouseMove(const QPoint& point) {
    if (m_bDragging && m_pImage) {
        DragSnapshotPan(point.x() - m_ptLast.x(), point.y() - m_ptLast.y(), m_nPanX, m_nPanY);
        m_ptLast = point;
        update();
    }
}

void CSnapshotViewDlg::OnLButtonDown(const QPoint& point) {
    m_ptLast = point;
    m_bDragging = true;
    grabMouse();
}

void CSnapshotViewDlg::OnLButtonUp(const QPoint&) {
    m_bDragging = false;
    releaseMouse();
}

void CSnapshotViewDlg::OnDestroy() {
    ForgetSharpness();
    m_pImage.reset();
    m_source = CStillSource{};
}

void CSnapshotViewDlg::OnSize() {
    update();
}

void CSnapshotViewDlg::paintEvent(QPaintEvent*) {
    OnPaint();
}

void CSnapshotViewDlg::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove(event->position().toPoint());
    QDialog::mouseMoveEvent(event);
}

void CSnapshotViewDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonDown(event->position().toPoint());
    }
    QDialog::mousePressEvent(event);
}

void CSnapshotViewDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        OnLButtonUp(event->position().toPoint());
    }
    QDialog::mouseReleaseEvent(event);
}

void CSnapshotViewDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    OnSize();
}

// Enter ends the dialog as Escape does; with no default button Qt would ignore it.
void CSnapshotViewDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// A window hidden in the middle of a drag would otherwise keep the mouse captured.
void CSnapshotViewDlg::hideEvent(QHideEvent* event) {
    if (m_bDragging) {
        m_bDragging = false;
        releaseMouse();
    }
    QDialog::hideEvent(event);
}
