#include "platform/renderer/VideoRendererWindow.h"

#include <QCloseEvent>
#include <QPainter>

CVideoRendererWindow::CVideoRendererWindow() {
    setWindowTitle(QString::fromUtf8(kVideoRendererTitle));
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(320, 240);
}

void CVideoRendererWindow::ShowFrame(const QImage& frame) {
    m_frame = frame;
    ++m_nFramesShown;
    update();
}

void CVideoRendererWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_frame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.drawImage(rect(), m_frame);
}

void CVideoRendererWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; the graph decides what happens next.
    event->accept();
    if (m_onOperatorClose)
        m_onOperatorClose();
}
