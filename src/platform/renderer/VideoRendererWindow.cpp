#include "platform/renderer/VideoRendererWindow.h"

#include <QCloseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

CVideoRendererWindow::CVideoRendererWindow() {
    setWindowTitle(QString::fromUtf8(kVideoRendererTitle));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(320, 240);
}

QSize FitVideoBelow(const QSize& video, int top, const QMargins& frame, const QRect& available) {
    if (video.isEmpty())
        return video;
    const int room_w = available.width() - frame.left() - frame.right();
    const int room_h = available.bottom() + 1 - top - frame.top() - frame.bottom();
    // Never smaller than a quarter, so a window pushed far down still shows a picture.
    const QSize bound(std::max(room_w, video.width() / 4), std::max(room_h, video.height() / 4));
    return video.boundedTo(video.scaled(bound, Qt::KeepAspectRatio));
}

void CVideoRendererWindow::FitVideo(const QSize& video) {
    m_video = video;
    const QScreen* shown_on = screen();
    if (!shown_on || video.isEmpty()) {
        resize(video);
        return;
    }
    // Frame margins are known once framed; until then the bare client counts.
    const QMargins frame(geometry().left() - frameGeometry().left(),
                         geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(),
                         frameGeometry().bottom() - geometry().bottom());
    resize(FitVideoBelow(video, frameGeometry().top(), frame, shown_on->availableGeometry()));
}

void CVideoRendererWindow::MoveTop(int top) {
    move(x(), top);
    if (!m_video.isEmpty())
        FitVideo(m_video);
}

void CVideoRendererWindow::ShowFrame(const QImage& frame) {
    m_frame = frame;
    ++m_nFramesShown;
    update();
}

void CVideoRendererWindow::SetMarks(std::vector<PreviewMark> marks) {
    m_marks = std::move(marks);
    update();
}

void CVideoRendererWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_frame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawImage(rect(), m_frame);
    if (m_marks.empty())
        return;
    // Two pixels wide whatever the scale, so a mark stays visible on a shrunken preview.
    const double sx = double(width()) / m_frame.width(), sy = double(height()) / m_frame.height();
    for (const PreviewMark& mark : m_marks) {
        painter.setPen(QPen(QColor::fromRgb(mark.rgb), 2));
        painter.drawRect(QRectF(mark.left * sx + 1, mark.top * sy + 1, mark.width * sx - 2,
                                mark.height * sy - 2));
    }
}

void CVideoRendererWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; the graph decides what happens next.
    event->accept();
    if (m_onOperatorClose)
        m_onOperatorClose();
}
