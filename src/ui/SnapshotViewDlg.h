// The "Snapshot View" window: shows the last snapshot one image pixel to one screen pixel and
// pans over an image larger than the window while the left button drags it. It owns the image
// it shows from the hand-over on; closing it only hides it, so the next snapshot reuses it.
#pragma once

#include <QDialog>
#include <QPoint>
#include <memory>

#include "platform/win/WinTypes.h"

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class QHideEvent;
class QPainter;

class CSnapshotViewDlg : public QDialog {
    Q_OBJECT

public:
    enum { IDD = 129 };

    // The object only; the window is made by Create.
    CSnapshotViewDlg();
    ~CSnapshotViewDlg() override;

    // Makes the window once, hidden, at the template's size, as a window of its own.
    BOOL Create();
    BOOL IsCreated() const { return m_bCreated; }
    // Takes over `image` (width x height BGR pixels, rows of 3 x width bytes, bottom-up) and
    // releases the one held before. Pan offsets and drag state stay as they are; the next
    // paint clamps the offsets to the new size.
    void SetImage(std::unique_ptr<BYTE[]> image, int width, int height);
    // The show command: shows the window, also after the operator closed it, in front.
    void ShowWindow();
    // Paints the window now, for a caller about to hold the user-interface thread.
    BOOL UpdateWindow();
    // Destroys the window for the main dialog's close; the held image goes with it. The
    // object stays and could be created again.
    BOOL DestroyWindow();

    QPoint m_ptLast;  // client coordinates at the last button-down or drag step
    bool m_bDragging = false;
    std::unique_ptr<BYTE[]> m_pImage;
    int m_nPanX = 0;          // image columns left of the visible part
    int m_nPanY = 0;          // image rows below the visible part
    BITMAPINFOHEADER m_bmih;  // the only record of the image's width and height

protected:
    void OnPaint();
    void OnMouseMove(const QPoint& point);
    void OnLButtonDown(const QPoint& point);
    void OnLButtonUp(const QPoint& point);
    void OnDestroy();
    void OnSize();

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void DrawVisiblePart(QPainter& painter, int draw_width, int draw_height) const;

    BOOL m_bCreated = FALSE;
};
