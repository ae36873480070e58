// CVideoRendererWindow: the video renderer's own top-level window, titled "ActiveMovie Window".
// It draws the latest frame stretched to its client area. User-interface thread only.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "platform/dshow/Interfaces.h"

class CVideoRendererWindow : public QWidget {
public:
    CVideoRendererWindow();

    void ShowFrame(const QImage& frame);
    const QImage& Frame() const { return m_frame; }
    quint64 FramesShown() const { return m_nFramesShown; }

    // Called when the operator closes the window (not when the program destroys it).
    std::function<void()> m_onOperatorClose;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QImage m_frame;
    quint64 m_nFramesShown = 0;
};
