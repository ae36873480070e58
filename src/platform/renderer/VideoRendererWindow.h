// CVideoRendererWindow: the video renderer's own top-level window, titled "ActiveMovie Window".
// It draws the latest frame stretched to its client area, with the marks it was given outlined
// over it. User-interface thread only.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/dshow/FrameTap.h"
#include "platform/dshow/Interfaces.h"

class CVideoRendererWindow : public QWidget {
public:
    CVideoRendererWindow();

    void ShowFrame(const QImage& frame);
    // Sizes the client area for frames of `video`, as large as fits below the window's top
    // inside the screen's available area, keeping the frames' shape.
    void FitVideo(const QSize& video);
    // Moves the top edge to `top`, giving up height rather than leave the screen.
    void MoveTop(int top);
    // Rectangles in the frames' own pixels, outlined over every frame until replaced.
    void SetMarks(std::vector<PreviewMark> marks);
    const std::vector<PreviewMark>& Marks() const { return m_marks; }
    const QImage& Frame() const { return m_frame; }
    quint64 FramesShown() const { return m_nFramesShown; }

    // Called when the operator closes the window (not when the program destroys it).
    std::function<void()> m_onOperatorClose;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QSize m_video;  // the frames' own size; the client area may be smaller
    QImage m_frame;
    std::vector<PreviewMark> m_marks;
    quint64 m_nFramesShown = 0;
};

// The largest size of `video`'s shape, at most `video` itself, whose frame (client plus
// `frame` margins) fits inside `available` when its top edge is at `top`.
QSize FitVideoBelow(const QSize& video, int top, const QMargins& frame, const QRect& available);
