// CSnapshotViewDlg: where the window first opens. A still is looked at while the lens is
// turned, so the view keeps off the lens panel (an Enter meant for its spin box would close the
// still), the preview and the focus history; it may cover the main dialog, whose buttons wait.
#include <QApplication>
#include <QScreen>

#include "platform/dshow/Interfaces.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WindowPlacement.h"
#include "ui/SnapshotViewDlg.h"

namespace {

// The utility's own windows a person works in now; menus, tips and hidden windows aside.
bool IsWorkWindow(const QWidget* window) {
    const Qt::WindowType type = window->windowType();
    return window->isVisible() && !window->isMinimized() &&
           (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool);
}

}  // namespace

void CSnapshotViewDlg::PlaceFirstTime() {
    const CWinApp* app = AfxGetApp();
    const QWidget* dialog = app ? app->m_pMainWnd : nullptr;
    const QScreen* screen =
        dialog && dialog->screen() ? dialog->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Until the window is framed, the dialog's frame is the best guess at its own.
    QSize frame_extra = frameGeometry().size() - geometry().size();
    if (dialog && frame_extra.isNull())
        frame_extra = dialog->frameGeometry().size() - dialog->geometry().size();
    const QRect available = screen->availableGeometry();
    QRect frame;
    if (m_remembered) {
        frame = KeepOnScreen(FrameExtent{m_remembered->nLeft, m_remembered->nTop,
                                         int64_t{m_remembered->nWidth} + frame_extra.width(),
                                         int64_t{m_remembered->nHeight} + frame_extra.height()},
                             available);
    } else {
        ClearPlaceRequest request;
        request.wanted = size() + frame_extra;
        request.smallest = request.wanted / 2;
        request.available = available;
        for (const QWidget* window : QApplication::topLevelWidgets()) {
            if (window == this || window == dialog || !IsWorkWindow(window))
                continue;
            request.keep_clear.push_back(window->frameGeometry());
            if (window->windowTitle() == QLatin1String(kVideoRendererTitle)) {
                const QRect preview = window->frameGeometry();
                request.preferred.insert(
                    request.preferred.begin(),
                    QPoint(preview.right() + 1 + kBesideGap_px, preview.top()));
            }
        }
        if (dialog)
            request.preferred.push_back(dialog->frameGeometry().topLeft());
        frame = PlaceClear(request);
    }
    resize(frame.size() - frame_extra);
    move(frame.topLeft());
}

bool CSnapshotViewDlg::GetPlace(WindowPlace& place) const {
    if (!m_bPlaced)
        return false;
    place = WindowPlace{pos().x(), pos().y(), width(), height()};
    return true;
}
