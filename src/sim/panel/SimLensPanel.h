// CSimLensPanel: the window in which the operator turns the simulated lens while the preview
// runs. It opens beside the preview window with the slider focused: a long slider, a spin box
// that shows and takes the exact position, and a live thumbnail of the chart so each step
// shows at once even when the stream delivers one frame a second. Steps: arrows 1, Page 25,
// mouse wheel 5, Ctrl+wheel 1, over the whole panel. Two more spin boxes tilt the lens, in lens
// steps across the picture (X) and down it (Y). Closing it only hides it.
#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QSlider;
class QSpinBox;
class CSimScene;

inline constexpr const char* kSimLensPanelTitle = "Simulated lens";

// The lens steps the operator's input makes.
inline constexpr int kLensKeyStep = 1;
inline constexpr int kLensPageStep = 25;
inline constexpr int kLensWheelStep = 5;
inline constexpr int kLensFineWheelStep = 1;  // with Ctrl held
// Long enough that the band of good focus (some 40 steps of 1000) is easy to hit, short
// enough that the panel fits beside the preview on a 1280-pixel-wide screen.
inline constexpr int kLensSliderLength_px = 420;

class CSimLensPanel : public QWidget {
public:
    explicit CSimLensPanel(std::shared_ptr<CSimScene> scene);

    // Reads the lens position back from the scene (someone else may have moved it).
    void Refresh();
    // Shows the panel beside `anchor` (the preview window, if any) with the slider focused. A
    // panel already open only shows the lens again: the preview restarting after a still does
    // not bring it in front of the still.
    void Open(const QWidget* anchor);

    QSlider* Slider() const { return m_pSlider; }
    QSpinBox* PositionBox() const { return m_pPosition; }
    QSpinBox* TiltXBox() const { return m_pTiltX; }
    QSpinBox* TiltYBox() const { return m_pTiltY; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void MoveLensBy(int steps);
    void MoveLensTo(int position);
    void ShowPicture();
    bool HandleWheel(QWheelEvent* event);
    bool HandleKey(QKeyEvent* event);

    std::shared_ptr<CSimScene> m_pScene;
    QSlider* m_pSlider;
    QSpinBox* m_pPosition;
    QSpinBox* m_pTiltX;
    QSpinBox* m_pTiltY;
    QLabel* m_pThumbnail;
    int m_nWheelRemainder = 0;  // eighths of a degree short of a whole notch
};
