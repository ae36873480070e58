// CSnapshotViewDlg: where the window first opens. A still is looked at while the lens is
// turned, so the view keeps off the lens panel (an Enter meant for its spin box would close the
// still), the preview and the focus history; it may cover the main dialog, whose buttons wait.
#include <QApplication>
#include <QMargins>
#include <QScreen>
#include <algorithm>

#include "platform/dshow/Interfaces.h"
#include "platform/log/Log.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WindowPlacement.h"
#include "ui/SnapshotViewDlg.h"
#include "ui/UiLog.h"

namespace {

// The utility's own windows a person works in now; menus, tips and hidden windows aside.
bool IsWorkWindow(const QWidget* window) {
    const Qt::WindowType type = window->windowType();
    return window->isVisible() && !window->isMinimized() &&
           (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool);
}

QMargins EdgesOf(const QWidget* window) {
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

// The window manager's frame around `window`: its own once framed; until then the widest of the
// utility's framed windows' (a sizing border makes one wider than the dialog's), as a frame
// larger than planned would be pushed over the others.
QMargins FrameEdges(const QWidget* window) {
    QMargins edges = EdgesOf(window);
    if (!edges.isNull())
        return edges;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == window || !IsWorkWindow(other))
            continue;
        const QMargins theirs = EdgesOf(other);
        edges = {std::max(edges.left(), theirs.left()), std::max(edges.top(), theirs.top()),
                 std::max(edges.right(), theirs.right()),
                 std::max(edges.bottom(), theirs.bottom())};
    }
    return edges;
}

}  // namespace

void CSnapshotViewDlg::PlaceFirstTime() {
    const CWinApp* app = AfxGetApp();
    const QWidget* dialog = app ? app->m_pMainWnd : nullptr;
    const QScreen* screen =
        dialog && dialog->screen() ? dialog->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QMargins edges = FrameEdges(this);
    const QSize frame_extra(edges.left() + edges.right(), edges.top() + edges.bottom());
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
    // A window made but never framed is moved by its inside (its frame's edges are not known
    // yet): the inside goes where it will sit in the frame.
    const bool bFramed = frameGeometry() != geometry();
    move(frame.topLeft() + (bFramed ? QPoint() : QPoint(edges.left(), edges.top())));
    LogDebug(kLogUi, "snapshot view: frame %dx%d at (%d, %d), its frame's edges %dx%d",
             frame.width(), frame.height(), frame.x(), frame.y(), frame_extra.width(),
             frame_extra.height());
}

bool CSnapshotViewDlg::GetPlace(WindowPlace& place) const {
    if (!m_bPlaced)
        return false;
    place = WindowPlace{pos().x(), pos().y(), width(), height()};
    return true;
}
