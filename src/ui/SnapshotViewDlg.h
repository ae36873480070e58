// The "Snapshot View" window: shows the last snapshot one image pixel to one screen pixel and
// pans over an image larger than the window while the left button drags it. It owns the image
// it shows from the hand-over on, with what the camera sent for it; closing it only hides it,
// so the next snapshot reuses it. Its context menu (and Ctrl+S) saves the still to a file, and
// measures the five regions' sharpness at the still's full resolution: their outlines are drawn
// over the picture at their places, and their MTF50s in a small box, until the next still.
// It first opens where it covers none of the utility's other windows but the main dialog, or
// where the operator last put it.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "measure/RegionSharpness.h"
#include "platform/win/WinTypes.h"
#include "session/SessionFront.h"
#include "session/Still.h"
#include "ui/SettingsKey.h"

class QAction;
class QContextMenuEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class QHideEvent;
class QLabel;
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
    // releases the one held before, with the camera's data that came with it. Pan offsets and
    // drag state stay as they are; the next paint clamps the offsets to the new size.
    void SetImage(std::unique_ptr<BYTE[]> image, int width, int height);
    // Takes over a still from the snapshot flow: its image as SetImage does, and the camera's
    // stream or samples, kept exactly as long as that image.
    void SetStill(CStill still);
    // The show command: shows the window, also after the operator closed it, in front. The
    // first show places it (PlaceFirstTime).
    void ShowWindow();
    // Where the first show puts the window instead: a place kept from an earlier run, brought
    // back onto the screen.
    void RememberPlace(const WindowPlace& place) { m_remembered = place; }
    // Where the window is now, once it has been shown; false before.
    bool GetPlace(WindowPlace& place) const;
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
    CStillSource m_source;    // what the camera sent for the image shown, if kept

    // The context menu's commands. Each asks for a file name and writes the still as it is
    // shown now, even if a new one arrives meanwhile; a failure is told in a message box.
    void OnSaveAs();      // the image, as PNG, JPEG, TIFF or BMP
    void OnSaveSource();  // what the camera sent, as the still's kind writes it
    void OnMeasureSharpness();

    // The measurement of the still shown, if the operator asked for one.
    const RegionSharpness* Sharpness() const { return m_bMeasured ? &m_sharpness : nullptr; }
    // The box with the five values and the tilt; hidden until a measurement.
    QLabel* SharpnessBox() const { return m_pSharpnessBox; }

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
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void DrawVisiblePart(QPainter& painter, int draw_width, int draw_height) const;
    // The regions' outlines and values over the visible part, where they lie in the still.
    void DrawRegions(QPainter& painter, int draw_width, int draw_height) const;
    void ForgetSharpness();
    // Clear of every other shown window of the utility but the main dialog (right of the
    // preview, or over the dialog's column), shrunk to fit the largest clear place where none
    // fits it whole; or at the remembered place (SnapshotViewPlace.cpp).
    void PlaceFirstTime();
    // The file name the operator chooses for `title`, offering `filters` with the one at
    // filterIndex first (afterwards the one chosen); false when the dialog was cancelled.
    bool AskSavePath(const QString& title, const QStringList& filters, int& filterIndex,
                     QString& path);

    BOOL m_bCreated = FALSE;
    bool m_bPlaced = false;  // placed once; then it stays where the operator puts it
    std::optional<WindowPlace> m_remembered;
    QAction* m_pSaveAsAction = nullptr;
    RegionSharpness m_sharpness;
    bool m_bMeasured = false;
    QLabel* m_pSharpnessBox = nullptr;
};
